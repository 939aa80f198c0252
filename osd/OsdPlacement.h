#pragma once
// Where the OSD shows and at which size, when the user asked for it to be
// sharp at the display's scale or to follow the screen they work on. Without
// either setting the OSD keeps its one place, centred on the primary display
// at 190 x 114, and none of this is asked.

#include <cstdint>
#include <vector>

// Which screen carries the OSD and the notices.
enum class OsdScreen {
    Primary,  // the primary display, always
    Active,   // the one in use: the foreground window's, else the cursor's, else the primary
};

// The two display settings, as the program read them at start.
struct OsdDisplaySettings {
    bool sharp = false;  // drawn at each monitor's DPI from the larger masters
    OsdScreen screen = OsdScreen::Primary;
    bool operator==(const OsdDisplaySettings& other) const { return sharp == other.sharp && screen == other.screen; }
};

// Screen coordinates; right and bottom are outside, as in a window rectangle.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const ScreenRect& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
};

struct MonitorView {
    ScreenRect bounds;  // the whole monitor
    ScreenRect work;    // without the taskbar and docked bars
    uint32_t dpi = 96;
};

// The window in front, as far as choosing a screen cares.
struct ForegroundView {
    bool exists = false;     // there is a foreground window
    bool visible = false;    // not hidden
    bool minimised = false;  // iconic
    bool cloaked = false;    // on another virtual desktop, or a suspended app's
    bool ours = false;       // one of this program's windows
    bool shell = false;      // the desktop or the shell's background (Progman, WorkerW)
    int monitor = -1;        // its monitor among the scene's, -1 when it is on none
};

// What the program sees at a show: the monitors worth naming (the
// foreground window's, the cursor's and the primary one, each once) and who
// is where. Never kept: screens come and go between shows.
struct OsdScene {
    std::vector<MonitorView> monitors;
    int primary = -1;  // -1 when the system names none
    ForegroundView foreground;
    int cursorMonitor = -1;
};

// The DPI a master is drawn for: 100, 150, 200 and 300 % of 96.
constexpr uint32_t kBaseDpi = 96;

// How the picture at a DPI is made from the masters.
enum class PictureFilter {
    None,     // the master as it is
    Shrink,   // the next larger master, shrunk by area averaging
    Enlarge,  // the largest master, enlarged bilinearly (above its scale)
};

struct PictureSource {
    uint32_t masterPercent = 100;  // 100 for the program's own pictures
    PictureFilter filter = PictureFilter::None;
};

// The masters the program carries, in percent of 96 DPI, ascending; 100 is
// the set every display shows without scaling.
extern const std::vector<uint32_t> kPictureMasterPercents;

// The master and filter that give the picture at `dpi`: the master drawn for
// exactly that DPI, else the next larger one shrunk, else (above the largest)
// the largest enlarged. `masters` ascending, non-empty.
PictureSource PictureSourceForDpi(uint32_t dpi, const std::vector<uint32_t>& masters = kPictureMasterPercents);

// `length` 96-DPI pixels at `dpi`, rounded half up as the system scales
// (MulDiv): 190 at 120 is 238.
int32_t ScaleToDpi(int32_t length, uint32_t dpi);

// The monitor the OSD and the notices use: for Primary the primary one; for
// Active the foreground window's when it is a window the user works in
// (visible, not minimised, not cloaked, not ours, not the desktop), else the
// cursor's, else the primary. -1 only when the scene names no monitor at all.
int ChooseOsdMonitor(OsdScreen screen, const OsdScene& scene);

// The OSD's place and size, and where its picture comes from.
struct OsdLayout {
    int monitor = -1;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t dpi = kBaseDpi;  // the DPI the picture is made for
    PictureSource source;
};

// Lays a picture of width x height (96-DPI pixels) out for one show: centred
// on the whole chosen monitor, at its DPI when sharp, else at its own size.
// monitor -1 when the scene names none; the layout is then at 0, 0.
OsdLayout LayOutOsd(const OsdDisplaySettings& settings, const OsdScene& scene, int32_t width, int32_t height);
