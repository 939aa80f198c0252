// The one application object of the program.
#include "app/VaskHotkeyApp.h"

CVaskHotkeyApp theApp;
