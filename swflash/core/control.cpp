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

const std::vector<DispatchMember>& DispatchMembers() {
    static const std::vector<DispatchMember> members = {
        {"ReadyState", -525, MemberKind::ReadOnlyProperty},
        {"TotalFrames", 124, MemberKind::ReadOnlyProperty},
        {"Playing", 125, MemberKind::Property},
        {"Quality", 105, MemberKind::Property},
        {"ScaleMode", 120, MemberKind::Property},
        {"Loop", 106, MemberKind::Property},
        {"Movie", 102, MemberKind::Property},
        {"FrameNum", 107, MemberKind::Property},
        {"Play", 112, MemberKind::Method},
        {"Stop", 113, MemberKind::Method},
        {"Back", 114, MemberKind::Method},
        {"Forward", 115, MemberKind::Method},
        {"Rewind", 116, MemberKind::Method},
        {"StopPlay", 126, MemberKind::Method},
        {"GotoFrame", 127, MemberKind::Method},
        {"CurrentFrame", 128, MemberKind::Method},
        {"IsPlaying", 129, MemberKind::Method},
        {"FlashVersion", 132, MemberKind::Method},
        {"WMode", 133, MemberKind::Property},
        {"Scale", 137, MemberKind::Property},
        {"Quality2", 141, MemberKind::Property},
    };
    return members;
}

const DispatchMember* FindMember(const std::u16string& name) {
    for (const auto& m : DispatchMembers())
        if (SameName(name, m.name)) return &m;
    return nullptr;
}

const DispatchMember* FindMember(long dispid) {
    for (const auto& m : DispatchMembers())
        if (m.dispid == dispid) return &m;
    return nullptr;
}

// --- registration

std::vector<RegistryKey> ServerRegistryKeys(const std::u16string& modulePath) {
    const std::u16string clsid = u"{D27CDB6E-AE6D-11CF-96B8-444553540000}";
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
