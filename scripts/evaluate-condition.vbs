' evaluate-condition.vbs PACKAGE CONDITION [NAME=VALUE]...: prints how the installer
' evaluates CONDITION in PACKAGE with those properties set: 1 true, 0 false.
Set installer = CreateObject("WindowsInstaller.Installer")
Set session = installer.OpenPackage(WScript.Arguments(0), 1)
For i = 2 To WScript.Arguments.Count - 1
    parts = Split(WScript.Arguments(i), "=", 2)
    session.Property(parts(0)) = parts(1)
Next
WScript.Echo session.EvaluateCondition(WScript.Arguments(1))
