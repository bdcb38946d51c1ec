#include "swflash/core/control.h"

#include <algorithm>
#include <cmath>

#include "swf/movie.h"
#include "swf/player.h"

namespace tastora {
namespace swflash {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool SameName(const std::u16string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (Lower(a[i]) != Lower(char16_t(static_cast<unsigned char>(b[i])))) return false;
    return i == a.size() && !b[i];
}

bool SameName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

template <class E, size_t N>
std::optional<E> FromName(const std::u16string& name, const std::pair<E, const char16_t*> (&names)[N]) {
    for (const auto& n : names)
        if (SameName(name, n.second)) return n.first;
    return std::nullopt;
}

template <class E, size_t N>
std::u16string NameOf(E value, const std::pair<E, const char16_t*> (&names)[N]) {
    for (const auto& n : names)
        if (n.first == value) return n.second;
    return names[0].second;
}

const std::pair<ScaleMode, const char16_t*> kScaleNames[] = {
    {ScaleMode::ShowAll, u"ShowAll"},
    {ScaleMode::NoBorder, u"NoBorder"},
    {ScaleMode::ExactFit, u"ExactFit"},
    {ScaleMode::NoScale, u"NoScale"},
};

const std::pair<Quality, const char16_t*> kQualityNames[] = {
    {Quality::High, u"High"}, {Quality::Low, u"Low"},         {Quality::Medium, u"Medium"},
    {Quality::Best, u"Best"}, {Quality::AutoLow, u"AutoLow"}, {Quality::AutoHigh, u"AutoHigh"},
};

}  // namespace

// --- movie paths

namespace {

bool IsSlash(char16_t c) { return c == u'\\' || c == u'/'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Whether s holds the ASCII text at `at` (any case).
bool HasAt(const std::u16string& s, size_t at, const char* text) {
    for (; *text; ++text, ++at)
        if (at >= s.size() || Lower(s[at]) != Lower(char16_t(*text))) return false;
    return true;
}

// "C:\" (either slash) at `at`.
bool IsDriveRoot(const std::u16string& s, size_t at) {
    return s.size() >= at + 3 && IsLetter(s[at]) && s[at + 1] == u':' && IsSlash(s[at + 2]);
}

// A part of a path that Windows takes for a device, whatever its extension or the blanks
// after it ("con", "COM1.swf", "nul ", "CONIN$"); also "." and "..".
bool IsDevicePart(const std::u16string& s, size_t at, size_t n) {
    if (n <= 2 && s[at] == u'.' && s[at + n - 1] == u'.') return true;
    size_t base = 0;
    while (base < n && s[at + base] != u'.') ++base;
    while (base > 0 && s[at + base - 1] == u' ') --base;
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (std::char_traits<char>::length(device) == base && HasAt(s, at, device)) return true;
    if (base != 4 || !(HasAt(s, at, "COM") || HasAt(s, at, "LPT"))) return false;
    const char16_t d = s[at + 3];
    return (d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3';
}

}  // namespace

std::u16string MovieFileName(const std::u16string& name) {
    // A scheme of two letters or more ("C:" is a drive; a scheme with other characters
    // leaves a colon in the path, which MovieFileAllowed refuses).
    size_t scheme = 0;
    while (scheme < name.size() && IsLetter(name[scheme])) ++scheme;
    if (scheme < 2 || scheme >= name.size() || name[scheme] != u':') return name;
    if (!HasAt(name, 0, "file:")) return u"";  // http:, ftp:, mk:, res:...
    // "file:///C:/x", "file://C:/x", "file:/C:/x" and "file://localhost/C:/x" name local
    // files; "file://host/share/x" and "file:////host/share/x" the network path "\\host\share\x".
    size_t at = HasAt(name, 5, "//localhost/") ? 16 : 5;
    std::u16string path;
    if (at + 1 < name.size() && IsSlash(name[at]) && IsSlash(name[at + 1])) {
        at += 2;
        if (!IsDriveRoot(name, at) && !(at < name.size() && IsSlash(name[at]) && IsDriveRoot(name, at + 1))) {
            while (at < name.size() && IsSlash(name[at])) ++at;
            path = u"\\\\";
        }
    }
    if (path.empty() && at < name.size() && IsSlash(name[at]) && IsDriveRoot(name, at + 1)) ++at;
    for (; at < name.size(); ++at) path += name[at] == u'/' ? u'\\' : name[at];
    return path;
}

bool MovieFileAllowed(const std::u16string& path, const std::u16string& hostFolder) {
    if (path.find(u'\0') != std::u16string::npos) return false;
    // "\\?\C:\..." is a drive path written for long names; "\\?\UNC\", "\\.\" and "\??\" are not.
    const size_t from = HasAt(path, 0, "\\\\?\\") ? 4 : 0;
    size_t parts = from + 3;
    if (!IsDriveRoot(path, from)) {
        // A network path only inside the host's own folder, when that is on a share.
        size_t n = hostFolder.size();
        while (n > 3 && IsSlash(hostFolder[n - 1])) --n;
        const bool share =
            n > 2 && IsSlash(hostFolder[0]) && IsSlash(hostFolder[1]) && hostFolder[2] != u'?' && hostFolder[2] != u'.';
        if (!share || from != 0 || path.size() <= n + 1 || !IsSlash(path[n])) return false;
        for (size_t i = 0; i < n; ++i)
            if (IsSlash(path[i]) ? !IsSlash(hostFolder[i]) : Lower(path[i]) != Lower(hostFolder[i])) return false;
        parts = 2;
    }
    if (path.find(u':', parts) != std::u16string::npos) return false;  // a stream or a second drive
    for (size_t at = parts; at <= path.size();) {
        size_t end = at;
        while (end < path.size() && !IsSlash(path[end])) ++end;
        if (end == at ? end < path.size() : IsDevicePart(path, at, end - at)) return false;
        at = end + 1;
    }
    return true;
}

// --- frame clock

void FrameClock::Start(double nowMs, double framesPerSecond) {
    startMs_ = nowMs;
    fps_ = PlaybackRate(framesPerSecond);
    counted_ = 0;
    running_ = true;
}

int FrameClock::Due(double nowMs, int limit) {
    if (!running_) return 0;
    const double elapsed = nowMs - startMs_;
    if (!(elapsed > 0)) {
        if (elapsed < 0) Start(nowMs, fps_);  // the clock went backwards
        return 0;
    }
    const int64_t total = int64_t(std::floor(elapsed * fps_ / 1000.0 + 1e-9));
    const int64_t due = total - counted_;
    if (due > limit) {
        Start(nowMs, fps_);
        return std::max(limit, 0);
    }
    counted_ = total;
    return int(due);
}

double PlaybackRate(double framesPerSecond) {
    if (!(framesPerSecond > 0) || framesPerSecond > 1000) return 12;
    return std::clamp(framesPerSecond, 1.0, 120.0);
}

int TimerPeriodMs(double framesPerSecond) {
    const double quarter = 250.0 / PlaybackRate(framesPerSecond);
    return std::max(10, int(quarter));
}

// --- settings

std::optional<ScaleMode> ScaleModeFromName(const std::u16string& name) {
    if (name.empty()) return ScaleMode::ShowAll;
    return FromName(name, kScaleNames);
}

std::u16string ScaleModeName(ScaleMode mode) { return NameOf(mode, kScaleNames); }

std::optional<Quality> QualityFromName(const std::u16string& name) { return FromName(name, kQualityNames); }

std::u16string QualityName(Quality quality) { return NameOf(quality, kQualityNames); }

bool AntiAliased(Quality quality) { return quality != Quality::Low && quality != Quality::AutoLow; }

bool IsWindowModeName(const std::u16string& name) {
    return SameName(name, "Window") || SameName(name, "Opaque") || SameName(name, "Transparent");
}

// --- the control

FlashControl::FlashControl() = default;
FlashControl::~FlashControl() = default;

void FlashControl::LoadMovie(const std::u16string& path, const uint8_t* data, size_t size) {
    player_.reset();
    clock_.Stop();
    path_ = path;
    if (data && size) {
        if (auto movie = swf::ParseMovie(data, size)) player_ = std::make_unique<swf::Player>(std::move(movie));
    }
    startsPlaying_ = player_ && player_->Playing();
    if (player_) player_->SetPlaying(false);
    loading_ = player_ != nullptr;
    Changed();
}

void FlashControl::Play(double nowMs) {
    if (!player_) return;
    player_->SetPlaying(loading_ ? startsPlaying_ : true);
    if (!clock_.Running()) clock_.Start(nowMs, player_->FrameRate());
}

void FlashControl::SetPlaying(bool on, double nowMs, bool visible) {
    if (on) {
        Play(nowMs);
        return;
    }
    if (loading_ && visible) return;
    if (player_) player_->SetPlaying(false);
    clock_.Stop();
}

bool FlashControl::Playing() const { return player_ && clock_.Running() && player_->Playing(); }

bool FlashControl::OnTimer(double nowMs) {
    if (!player_ || !clock_.Running()) return false;
    // A blocked program catches up at most two seconds of frames, then goes on from now.
    const int limit = int(2 * PlaybackRate(player_->FrameRate()));
    const int due = clock_.Due(nowMs, limit);
    const uint64_t before = player_->DisplayVersion();
    for (int i = 0; i < due; ++i) {
        if (!loop && player_->Playing() && player_->CurrentFrame() >= player_->FrameCount()) player_->SetPlaying(false);
        player_->Tick();
    }
    if (due == 0) return false;
    loading_ = false;
    // Frames that change nothing on the display (time passing) are not painted again.
    if (player_->DisplayVersion() == before) return false;
    Changed();
    return true;
}

int FlashControl::TimerPeriod() const { return clock_.Running() ? TimerPeriodMs(player_->FrameRate()) : 0; }

int FlashControl::FrameCount() const { return player_ ? player_->FrameCount() : 0; }

int FlashControl::CurrentFrame() const { return player_ ? player_->CurrentFrame() : 0; }

bool FlashControl::GotoFrame(int frame, double nowMs) {
    if (!player_ || frame < 1 || frame > player_->FrameCount()) return false;
    const bool playing = Playing();
    player_->GotoFrame(frame);
    loading_ = false;
    if (playing) clock_.Start(nowMs, player_->FrameRate());
    Changed();
    return true;
}

void FlashControl::Render(uint8_t* bgra, int width, int height, int strideBytes) const {
    if (!bgra || width <= 0 || height <= 0) return;
    if (player_) {
        player_->Render(bgra, width, height, strideBytes, AntiAliased(quality));
        return;
    }
    const uint32_t c = kNoMovieBackground;
    for (int y = 0; y < height; ++y) {
        uint8_t* px = bgra + size_t(y) * size_t(strideBytes);
        for (int x = 0; x < width; ++x, px += 4) {
            px[0] = uint8_t(c), px[1] = uint8_t(c >> 8), px[2] = uint8_t(c >> 16), px[3] = 255;
        }
    }
}

// --- IDispatch

const DispatchMember* FindMember(const std::u16string& name) {
    for (const auto& m : flash::kMembers)
        if (SameName(name, m.name)) return &m;
    return nullptr;
}

const DispatchMember* FindMember(long dispid) {
    for (const auto& m : flash::kMembers)
        if (m.dispid == dispid) return &m;
    return nullptr;
}

// --- registration

std::vector<RegistryKey> ServerRegistryKeys(const std::u16string& modulePath) {
    const std::u16string clsid(flash::kClassId, flash::kClassId + sizeof flash::kClassId - 1);
    const std::u16string progId = u"ShockwaveFlash.ShockwaveFlash";
    const std::u16string classKey = u"CLSID\\" + clsid;
    return {
        {classKey, {{u"", u"Shockwave Flash Object"}}},
        {classKey + u"\\InprocServer32", {{u"", modulePath}, {u"ThreadingModel", u"Apartment"}}},
        {classKey + u"\\Control", {}},
        {classKey + u"\\ProgID", {{u"", progId}}},
        {progId, {{u"", u"Shockwave Flash Object"}}},
        {progId + u"\\CLSID", {{u"", clsid}}},
    };
}

}  // namespace swflash
}  // namespace tastora
