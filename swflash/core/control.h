#pragma once
// The control's state and playback, free of the window system: the movie shown, the frame
// clock that drives it, the settings a host can make, the members that hosts reach through
// IDispatch, and the registry entries of the COM server. The window code in swflash/ turns
// COM calls and window messages into calls of these.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/flash_members.h"

namespace tastora {
namespace swf {
class Player;
}

namespace swflash {

// Frames fall due at the movie's rate counted from the start of playback, so a timer that
// fires late or coarsely does not make the movie drift: after any time the frame shown is
// within one frame of the rate.
class FrameClock {
public:
    void Start(double nowMs, double framesPerSecond);
    void Stop() { running_ = false; }
    bool Running() const { return running_; }
    // The frames due since the last call. When more than `limit` are due (the program was
    // blocked), `limit` are given and the clock starts afresh from now.
    int Due(double nowMs, int limit);

private:
    double startMs_ = 0;
    double fps_ = 12;
    int64_t counted_ = 0;
    bool running_ = false;
};

// A movie's frame rate as the control uses it: rates that are zero, negative, not a
// number or absurd fall back to 12 frames per second; very slow and very fast ones are
// clamped to 1 and 120.
double PlaybackRate(double framesPerSecond);
// The window timer's period for a rate: a quarter of a frame (the clock above decides which
// frame is shown; the timer only wakes the control), at least 10 ms.
int TimerPeriodMs(double framesPerSecond);

enum class ScaleMode { ShowAll = 0, NoBorder = 1, ExactFit = 2, NoScale = 3 };
// "ShowAll", "NoBorder", "ExactFit", "NoScale" (any case; "" is ShowAll); nullopt otherwise.
std::optional<ScaleMode> ScaleModeFromName(const std::u16string& name);
std::u16string ScaleModeName(ScaleMode mode);

enum class Quality { Low = 0, High = 1, AutoLow = 2, AutoHigh = 3, Medium = 4, Best = 5 };
// "Low", "Medium", "High", "Best", "AutoLow", "AutoHigh" (any case); nullopt otherwise.
std::optional<Quality> QualityFromName(const std::u16string& name);
std::u16string QualityName(Quality quality);
// Anti-aliased edges for every quality but the low ones.
bool AntiAliased(Quality quality);

// "Window", "Opaque", "Transparent" (any case): the control is always a window of its own,
// the mode is only kept. False for any other name.
bool IsWindowModeName(const std::u16string& name);

constexpr uint32_t kNoMovieBackground = 0xFFFFFF;

// One control's movie and settings.
class FlashControl {
public:
    FlashControl();
    ~FlashControl();

    // Replaces the movie with the file's bytes (nullptr or anything that is not an SWF
    // file: no movie, the background is shown). Its first frame is shown and nothing runs
    // until Play.
    void LoadMovie(const std::u16string& path, const uint8_t* data, size_t size);
    const std::u16string& MoviePath() const { return path_; }
    bool HasMovie() const { return player_ != nullptr; }

    // Starts the clock and the main timeline. A movie that has not run yet starts as its
    // first frame says: one whose first frame stops it stays there (its sprites run).
    void Play(double nowMs);
    // Stops (the clock with everything: the frame stays as it is) or goes on (as Play).
    // A movie counts as loading from the moment it is put until the clock has ticked for it
    // once: a stop that comes in that time while the control is on the screen is ignored
    // and the movie plays (a host that puts a movie, starts it and stops it in one go has a
    // movie that still loads). `visible` tells whether the control's window is on the
    // screen; a hidden control always stops.
    void SetPlaying(bool on, double nowMs, bool visible);
    // Whether the main timeline runs.
    bool Playing() const;

    // Runs the ticks that fell due: the main timeline while it plays (looping at its end
    // unless `loop` is false) and the sprites always. True when the picture may have changed:
    // something was placed, moved or removed (by the main timeline or a sprite).
    bool OnTimer(double nowMs);
    // The window timer's period while the clock runs; 0 when no timer is needed.
    int TimerPeriod() const;

    int FrameCount() const;
    int CurrentFrame() const;  // 1-based; 0 without a movie
    // Goes to a 1-based frame (frames out of range are ignored). True when it moved.
    bool GotoFrame(int frame, double nowMs);

    // Paints the current frame (ShowAll: the whole stage, as large as fits, centred, the
    // rest in the background colour) into a top-down 32-bit BGRA buffer.
    void Render(uint8_t* bgra, int width, int height, int strideBytes) const;
    // Changes whenever the picture may have changed.
    uint64_t PictureVersion() const { return version_; }

    Quality quality = Quality::High;
    ScaleMode scaleMode = ScaleMode::ShowAll;
    std::u16string windowMode = u"Window";
    bool loop = true;

private:
    void Changed() { ++version_; }

    std::unique_ptr<swf::Player> player_;
    std::u16string path_;
    FrameClock clock_;
    bool loading_ = false;
    bool startsPlaying_ = false;  // what the movie's first frame left the main timeline at
    uint64_t version_ = 1;
};

// --- IDispatch

using MemberKind = flash::MemberKind;
using DispatchMember = flash::MemberInfo;
// The member of a name (ASCII letters in any case) or of a dispatch id among those of
// flash::kMembers; nullptr when there is none.
const DispatchMember* FindMember(const std::u16string& name);
const DispatchMember* FindMember(long dispid);

// --- movie paths

// A movie is read from a file on this machine only: a network path could hand the
// caller's credentials to another machine, and a device or pipe could block the read or
// impersonate the caller. MovieFileName turns the name a host puts (a path or a `file:`
// URL) into a file name to resolve; "" for any other URL. MovieFileAllowed decides on the
// full path it resolves to: a path on a drive letter ("C:\...", also "\\?\C:\..."),
// none of whose parts is a device name (CON, NUL, COM1, CONIN$, ...), or a path inside
// `hostFolder`, the folder of the host's executable, wherever that is (a program started
// from a share plays its own movies from there).
std::u16string MovieFileName(const std::u16string& name);
bool MovieFileAllowed(const std::u16string& fullPath, const std::u16string& hostFolder);

// --- registration

struct RegistryValue {
    std::u16string name;  // "" is the key's default value
    std::u16string data;
};
struct RegistryKey {
    std::u16string path;  // below HKEY_CLASSES_ROOT
    std::vector<RegistryValue> values;
};
// The keys that register the server at `modulePath`, each after its parent. Unregistering
// goes through them backwards, removes these values and then each key left empty.
std::vector<RegistryKey> ServerRegistryKeys(const std::u16string& modulePath);

}  // namespace swflash
}  // namespace tastora
