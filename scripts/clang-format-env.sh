# Sourced: the one clang-format the project formats with. Another version lays
# the same code out differently, so the check would flip between machines.
VASK_CLANG_FORMAT_VERSION=14
VASK_CLANG_FORMAT="clang-format-$VASK_CLANG_FORMAT_VERSION"

# The C++ sources under version control, NUL-separated.
vask_format_sources() {
    git -C "$1" ls-files -z -- '*.cpp' '*.h'
}

vask_require_clang_format() {
    if ! command -v "$VASK_CLANG_FORMAT" >/dev/null; then
        echo "$VASK_CLANG_FORMAT is missing: run scripts/setup" >&2
        return 1
    fi
    if ! "$VASK_CLANG_FORMAT" --version | grep -q "version $VASK_CLANG_FORMAT_VERSION\."; then
        echo "$VASK_CLANG_FORMAT is not version $VASK_CLANG_FORMAT_VERSION: $("$VASK_CLANG_FORMAT" --version)" >&2
        return 1
    fi
}
