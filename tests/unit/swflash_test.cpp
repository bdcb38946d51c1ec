// The SWF player control's core: the frame clock, playback of a movie, the settings hosts
// make by name, the IDispatch members and the registry entries of the server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "swf/writer.h"
#include "swflash/core/control.h"

namespace tastora {
namespace swflash {
namespace {

// A movie of `frames` empty frames on a stage of 40 x 30 pixels in one background colour.
// A movie of `frames` frames in which a dot in the top left corner moves by a pixel in
// every frame listed in `moves` (all frames when it is empty) and stands still in the others.
std::vector<uint8_t> TinyMovie(int frames, double fps, uint32_t rgb, std::vector<int> moves = {}) {
    swf::Writer w(6, 40 * 20, 30 * 20, fps);
    w.SetBackgroundColor(swf::Rgba{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255});
    swf::ShapeBuilder dot;
    dot.Rectangle(0, 0, 20, 20,
                  dot.AddSolidFill(swf::Rgba{uint8_t(~rgb >> 16), uint8_t(~rgb >> 8), uint8_t(~rgb), 255}));
    const uint16_t shape = w.DefineShape(1, dot);
    for (int i = 0; i < frames; ++i) {
        if (i == 0 || moves.empty() || std::find(moves.begin(), moves.end(), i + 1) != moves.end()) {
            swf::Placement p;
            p.depth = 1;
            p.move = i > 0;
            p.character = i == 0 ? shape : 0;
            p.hasMatrix = true;
            p.matrix.tx = i * 20;
            w.PlaceObject2(p);
        }
        w.ShowFrame();
    }
    return w.Finish();
}

TEST(FrameClock, StaysWithinOneFrameOfTheRateWhateverTheTimer) {
    struct Case {
        double fps;
        std::vector<double> periods;  // timer periods in ms, repeated
    };
    const Case cases[] = {
        {12, {10}},        {12, {41.5}}, {12, {90}}, {12, {16, 3, 120, 47, 10}},
        {24, {10, 11, 9}}, {30, {33}},   {1, {250}}, {60, {7, 25}},
    };
    for (const auto& c : cases) {
        FrameClock clock;
        clock.Start(1000, c.fps);
        double t = 1000;
        int64_t frames = 0;
        for (size_t i = 0; t < 11000; ++i) {
            t += c.periods[i % c.periods.size()];
            const int due = clock.Due(t, 1000);
            ASSERT_GE(due, 0);
            frames += due;
            const double expected = (t - 1000) * c.fps / 1000;
            ASSERT_LE(std::abs(double(frames) - expected), 1.0) << c.fps << " fps at " << t;
        }
    }
}

TEST(FrameClock, ABlockedProgramSkipsInsteadOfRacing) {
    FrameClock clock;
    clock.Start(0, 12);
    EXPECT_EQ(clock.Due(5000, 24), 24) << "a 5 s block gives the limit";
    EXPECT_EQ(clock.Due(5040, 24), 0) << "and then counts from the end of the block";
    EXPECT_EQ(clock.Due(5084, 24), 1);
    EXPECT_EQ(clock.Due(4000, 24), 0) << "a clock that went back starts afresh";
    EXPECT_EQ(clock.Due(4084, 24), 1);
    clock.Stop();
    EXPECT_EQ(clock.Due(9000, 24), 0);
}

TEST(FrameClock, RatesAndTimerPeriods) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double fps, rate;
        int period;
    } cases[] = {
        {12, 12, 20},  {24, 24, 10},   {0.25, 1, 250}, {0, 12, 20},    {-3, 12, 20},
        {nan, 12, 20}, {100, 100, 10}, {500, 120, 10}, {5000, 12, 20},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlaybackRate(c.fps), c.rate) << c.fps;
        EXPECT_EQ(TimerPeriodMs(c.fps), c.period) << c.fps;
    }
}

TEST(Settings, NamesInAnyCase) {
    const struct {
        std::u16string name;
        std::optional<ScaleMode> scale;
        std::optional<Quality> quality;
    } cases[] = {
        {u"ShowAll", ScaleMode::ShowAll, std::nullopt},   {u"showall", ScaleMode::ShowAll, std::nullopt},
        {u"", ScaleMode::ShowAll, std::nullopt},          {u"NOBORDER", ScaleMode::NoBorder, std::nullopt},
        {u"exactfit", ScaleMode::ExactFit, std::nullopt}, {u"NoScale", ScaleMode::NoScale, std::nullopt},
        {u"High", std::nullopt, Quality::High},           {u"low", std::nullopt, Quality::Low},
        {u"AUTOHIGH", std::nullopt, Quality::AutoHigh},   {u"Best", std::nullopt, Quality::Best},
        {u"ShowAll ", std::nullopt, std::nullopt},        {u"Hi", std::nullopt, std::nullopt},
        {u"Sh\u00F6wAll", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaleModeFromName(c.name), c.scale);
        EXPECT_EQ(QualityFromName(c.name), c.quality);
        if (c.scale) {
            EXPECT_EQ(ScaleModeFromName(ScaleModeName(*c.scale)), c.scale);
        }
        if (c.quality) {
            EXPECT_EQ(QualityFromName(QualityName(*c.quality)), c.quality);
        }
    }
    EXPECT_TRUE(AntiAliased(Quality::High));
    EXPECT_FALSE(AntiAliased(Quality::Low));
    EXPECT_TRUE(IsWindowModeName(u"window"));
    EXPECT_TRUE(IsWindowModeName(u"Transparent"));
    EXPECT_FALSE(IsWindowModeName(u"Direct"));
}

uint32_t PixelAt(const std::vector<uint8_t>& bgra, int width, int x, int y) {
    const uint8_t* p = &bgra[(size_t(y) * size_t(width) + size_t(x)) * 4];
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

uint32_t CentrePixel(const FlashControl& control) {
    std::vector<uint8_t> bgra(64 * 48 * 4, 0);
    control.Render(bgra.data(), 64, 48, 64 * 4);
    return PixelAt(bgra, 64, 32, 24);
}

TEST(FlashControl, WhatCannotBeReadShowsTheBackground) {
    const std::vector<uint8_t> good = TinyMovie(5, 12, 0x2080E0);
    std::vector<uint8_t> garbage = {'G', 'I', 'F', '8', '9', 'a', 1,  2,  3,  4,  5,  6,  7,  8, 9,
                                    10,  11,  12,  13,  14,  15,  16, 17, 18, 19, 20, 21, 22, 23};
    const struct {
        const uint8_t* data;
        size_t size;
        bool movie;
    } cases[] = {
        {nullptr, 0, false},
        {garbage.data(), garbage.size(), false},
        {good.data(), 3, false},
        {good.data(), good.size(), true},
    };
    for (const auto& c : cases) {
        FlashControl control;
        control.LoadMovie(u"C:\\x.swf", good.data(), good.size());  // a movie that the next one drops
        control.LoadMovie(u"C:\\y.swf", c.data, c.size);
        EXPECT_EQ(control.HasMovie(), c.movie) << c.size;
        EXPECT_EQ(control.MoviePath(), u"C:\\y.swf");
        EXPECT_EQ(CentrePixel(control), c.movie ? 0x2080E0u : kNoMovieBackground);
        EXPECT_EQ(control.CurrentFrame(), c.movie ? 1 : 0);
        control.Play(0);
        EXPECT_EQ(control.Playing(), c.movie);
        EXPECT_EQ(control.OnTimer(1000), c.movie);
    }
}

TEST(FlashControl, PlaysAtTheMovieRateLoopsAndStopsWithTheFrameKept) {
    const std::vector<uint8_t> movie = TinyMovie(10, 12, 0x000000);
    FlashControl control;
    control.LoadMovie(u"m.swf", movie.data(), movie.size());
    EXPECT_FALSE(control.Playing()) << "a movie put shows its first frame, stopped";
    EXPECT_FALSE(control.OnTimer(500));
    EXPECT_EQ(control.TimerPeriod(), 0);
    control.Play(1000);
    EXPECT_GT(control.TimerPeriod(), 0);
    const uint64_t before = control.PictureVersion();
    EXPECT_TRUE(control.OnTimer(1000 + 5 * 1000.0 / 12 + 1));
    EXPECT_EQ(control.CurrentFrame(), 6);
    EXPECT_NE(control.PictureVersion(), before);
    control.OnTimer(2000 + 1);  // 12 frames after the start: 10 and round to 3
    EXPECT_EQ(control.CurrentFrame(), 3) << "loops at its end";
    control.SetPlaying(false, 2100, true);
    EXPECT_FALSE(control.Playing());
    EXPECT_FALSE(control.OnTimer(5000));
    EXPECT_EQ(control.CurrentFrame(), 3) << "the frame stays";
    EXPECT_EQ(control.TimerPeriod(), 0);
    control.SetPlaying(true, 6000, true);
    control.OnTimer(6000 + 1000.0 / 12 + 1);
    EXPECT_EQ(control.CurrentFrame(), 4) << "goes on from where it stopped";

    control.loop = false;
    control.OnTimer(9000);
    EXPECT_EQ(control.CurrentFrame(), 10);
    EXPECT_FALSE(control.Playing()) << "without loop it stops at the last frame";
}

TEST(FlashControl, AStillPictureIsNotPaintedAgain) {
    const struct {
        int frames;
        std::vector<int> moves;     // frames in which the dot moves
        std::vector<bool> painted;  // by the ticks to frames 2, 3, ...
    } cases[] = {
        {1, {}, {false, false}},
        {5, {4}, {false, false, true, false, true}},  // the loop back to frame 1 moves it too
        {3, {2, 3}, {true, true, true}},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> movie = TinyMovie(c.frames, 10, 0x102030, c.moves);
        FlashControl control;
        control.LoadMovie(u"still.swf", movie.data(), movie.size());
        control.Play(0);
        for (size_t tick = 0; tick < c.painted.size(); ++tick) {
            const uint64_t version = control.PictureVersion();
            EXPECT_EQ(control.OnTimer(double(tick + 1) * 100 + 1), c.painted[tick]) << c.frames << " tick " << tick;
            EXPECT_EQ(control.PictureVersion() != version, c.painted[tick]);
        }
        EXPECT_GT(control.TimerPeriod(), 0) << "the clock runs on";
    }
}

TEST(FlashControl, AStopWhileTheMovieLoadsOnScreenIsIgnored) {
    const std::vector<uint8_t> movie = TinyMovie(10, 12, 0x000000);
    const struct {
        bool visible;
        bool advancedFirst;
        bool playsOn;
    } cases[] = {
        {true, false, true},
        {false, false, false},
        {true, true, false},
    };
    for (const auto& c : cases) {
        FlashControl control;
        control.LoadMovie(u"m.swf", movie.data(), movie.size());
        control.Play(0);
        if (c.advancedFirst) control.OnTimer(100);
        control.SetPlaying(false, 150, c.visible);
        EXPECT_EQ(control.Playing(), c.playsOn) << c.visible << c.advancedFirst;
    }
}

// A movie whose first frame stops it, with a sprite of three frames that runs on: the
// square of the sprite's frame n stands at x = 10 n pixels.
TEST(FlashControl, AMovieThatStopsItselfKeepsItsSpritesRunning) {
    swf::Writer w(6, 100 * 20, 20 * 20, 10);
    w.SetBackgroundColor(swf::Rgba{0, 0, 0, 255});
    swf::ShapeBuilder square;
    square.Rectangle(0, 0, 10 * 20, 10 * 20, square.AddSolidFill(swf::Rgba{255, 255, 255, 255}));
    const uint16_t shape = w.DefineShape(1, square);
    swf::TagList sprite;
    for (int n = 0; n < 3; ++n) {
        swf::Placement p;
        p.depth = 1;
        p.move = n > 0;
        p.character = n == 0 ? shape : 0;
        p.hasMatrix = true;
        p.matrix.tx = n * 10 * 20;
        sprite.PlaceObject2(p);
        sprite.ShowFrame();
    }
    const uint16_t clip = w.DefineSprite(sprite);
    swf::Placement p;
    p.character = clip;
    w.PlaceObject2(p);
    w.DoAction(swf::ActionList().Stop());
    w.ShowFrame();
    w.ShowFrame();
    const std::vector<uint8_t> movie = w.Finish();

    FlashControl control;
    control.LoadMovie(u"s.swf", movie.data(), movie.size());
    control.Play(0);
    auto squareAt = [&] {
        std::vector<uint8_t> bgra(100 * 20 * 4, 0);
        control.Render(bgra.data(), 100, 20, 100 * 4);
        for (int x = 0; x < 100; ++x)
            if (PixelAt(bgra, 100, x, 5) == 0xFFFFFF) return x;
        return -1;
    };
    EXPECT_EQ(squareAt(), 0);
    for (int tick = 1; tick <= 4; ++tick) {
        EXPECT_TRUE(control.OnTimer(tick * 100 + 1));
        EXPECT_EQ(control.CurrentFrame(), 1) << "the movie's own Stop holds the main timeline";
        EXPECT_FALSE(control.Playing());
        EXPECT_EQ(squareAt(), tick % 3 * 10) << "the sprite runs on, tick " << tick;
    }
    control.Play(500);
    control.OnTimer(501);
    EXPECT_EQ(control.CurrentFrame(), 2) << "Play after the movie has run starts the main timeline";
    control.SetPlaying(false, 650, true);
    const int x = squareAt();
    EXPECT_FALSE(control.OnTimer(2000));
    EXPECT_EQ(squareAt(), x) << "a stop from the host freezes the sprites too";
}

TEST(Dispatch, TheProgramsMembersByNameInAnyCase) {
    const struct {
        std::u16string name;
        long dispid;
        MemberKind kind;
    } cases[] = {
        {u"Movie", 102, MemberKind::Property},
        {u"movie", 102, MemberKind::Property},
        {u"PLAYING", 125, MemberKind::Property},
        {u"Play", 112, MemberKind::Method},
        {u"Quality", 105, MemberKind::Property},
        {u"ScaleMode", 120, MemberKind::Property},
        {u"Scale", 137, MemberKind::Property},
        {u"WMode", 133, MemberKind::Property},
        {u"ReadyState", -525, MemberKind::ReadOnlyProperty},
    };
    for (const auto& c : cases) {
        const DispatchMember* m = FindMember(c.name);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->dispid, c.dispid);
        EXPECT_EQ(m->kind, c.kind);
        EXPECT_EQ(FindMember(c.dispid), m);
    }
    for (const std::u16string name : {u"", u"Movi", u"Movies", u"Play ", u"M\u00F6vie"})
        EXPECT_EQ(FindMember(name), nullptr);
    EXPECT_EQ(FindMember(999L), nullptr);
    // Every member answers to its own name and number alone.
    for (const auto& m : flash::kMembers) {
        std::u16string name(m.name, m.name + std::char_traits<char>::length(m.name));
        EXPECT_EQ(FindMember(name), &m);
        EXPECT_EQ(FindMember(m.dispid), &m);
    }
}

TEST(Registration, TheClassItsServerAndProgId) {
    const std::u16string path = u"C:\\windows\\system32\\SWFLASH.OCX";
    const auto keys = ServerRegistryKeys(path);
    auto value = [&](const std::u16string& key, const std::u16string& name) -> std::u16string {
        for (const auto& k : keys)
            if (k.path == key)
                for (const auto& v : k.values)
                    if (v.name == name) return v.data;
        return u"<none>";
    };
    const std::u16string cls = u"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";
    EXPECT_EQ(value(cls + u"\\InprocServer32", u""), path);
    EXPECT_EQ(value(cls + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
    EXPECT_EQ(u"CLSID\\" + value(u"ShockwaveFlash.ShockwaveFlash\\CLSID", u""), cls);
    bool control = false;
    for (size_t i = 0; i < keys.size(); ++i) {
        control = control || keys[i].path == cls + u"\\Control";
        // Each key comes after its parent, so that unregistering backwards empties children first.
        const size_t slash = keys[i].path.rfind(u'\\');
        if (slash == std::u16string::npos) continue;
        const std::u16string parent = keys[i].path.substr(0, slash);
        if (parent == u"CLSID") continue;  // the system's own
        bool before = false;
        for (size_t j = 0; j < i; ++j) before = before || keys[j].path == parent;
        EXPECT_TRUE(before) << i;
    }
    EXPECT_TRUE(control);
}

// A movie is a file on this machine, or inside the folder the host runs from; never a network
// path, device, pipe or URL other than file:.
TEST(MoviePaths, OnlyFilesOfThisMachineOrOfTheHostsOwnFolder) {
    const std::u16string share = u"\\\\server\\school\\Tastora";
    struct Case {
        std::u16string name;  // as a host puts it, already a full path
        std::u16string host;  // the host's folder
        std::u16string file;  // what is opened, "" = refused
    } cases[] = {
        {u"C:\\Tastora\\data\\pictures\\1.swf", u"C:\\Tastora", u"C:\\Tastora\\data\\pictures\\1.swf"},
        {u"D:/movies/a.swf", u"C:\\Tastora", u"D:/movies/a.swf"},
        {u"\\\\?\\C:\\long\\a.swf", u"C:\\Tastora", u"\\\\?\\C:\\long\\a.swf"},
        {u"file:///C:/Tastora/a%20b.swf", u"C:\\Tastora", u"C:\\Tastora\\a%20b.swf"},
        {u"FILE://C:\\a.swf", u"C:\\Tastora", u"C:\\a.swf"},
        {u"file://localhost/C:/a.swf", u"C:\\Tastora", u"C:\\a.swf"},
        {u"file:/C:/a.swf", u"C:\\Tastora", u"C:\\a.swf"},
        // Network paths: only below the folder of a host started from that share.
        {u"\\\\server\\school\\Tastora\\data\\1.swf", share, u"\\\\server\\school\\Tastora\\data\\1.swf"},
        {u"\\\\SERVER\\School\\tastora\\1.swf", share + u"\\", u"\\\\SERVER\\School\\tastora\\1.swf"},
        {u"\\\\server\\school\\Tastora2\\1.swf", share, u""},
        {u"\\\\server\\school\\other.swf", share, u""},
        {u"\\\\server\\school\\Tastora\\..\\x.swf", share, u""},
        {u"\\\\server\\school\\Tastora\\1.swf", u"C:\\Tastora", u""},
        {u"\\\\attacker\\share\\x.swf", u"C:\\Tastora", u""},
        {u"//attacker/share/x.swf", u"C:\\Tastora", u""},
        {u"file://attacker/share/x.swf", u"C:\\Tastora", u""},
        {u"file:////attacker/share/x.swf", u"C:\\Tastora", u""},
        {u"\\\\?\\UNC\\attacker\\share\\x.swf", u"C:\\Tastora", u""},
        {u"\\\\?\\UNC\\server\\school\\Tastora\\1.swf", share, u""},
        // Devices and pipes.
        {u"\\\\.\\pipe\\movie", u"C:\\Tastora", u""},
        {u"\\\\.\\C:\\a.swf", u"C:\\Tastora", u""},
        {u"\\\\.\\COM1", u"C:\\Tastora", u""},
        {u"\\??\\C:\\a.swf", u"C:\\Tastora", u""},
        {u"\\\\server\\school\\Tastora\\pipe\\CON", share, u""},
        {u"C:\\Tastora\\CON", u"C:\\Tastora", u""},
        {u"C:\\Tastora\\con.swf", u"C:\\Tastora", u""},
        {u"C:\\Tastora\\COM1", u"C:\\Tastora", u""},
        {u"C:\\Tastora\\lpt9.txt", u"C:\\Tastora", u""},
        {u"C:\\Tastora\\CONIN$", u"C:\\Tastora", u""},
        {u"C:\\Tastora\\nul \\a.swf", u"C:\\Tastora", u""},
        {u"C:\\Tastora\\a.swf:stream", u"C:\\Tastora", u""},
        {u"C:\\Tastora\\COM10.swf", u"C:\\Tastora", u"C:\\Tastora\\COM10.swf"},
        {u"C:\\Tastora\\console.swf", u"C:\\Tastora", u"C:\\Tastora\\console.swf"},
        // Other URLs, and relative names (resolved by the caller first).
        {u"http://attacker/x.swf", u"C:\\Tastora", u""},
        {u"https://attacker/x.swf", u"C:\\Tastora", u""},
        {u"mk:@MSITStore:C:\\a.chm::/x.swf", u"C:\\Tastora", u""},
        {u"ftp://attacker/x.swf", u"C:\\Tastora", u""},
        {u"a.swf", u"C:\\Tastora", u""},
        {u"C:a.swf", u"C:\\Tastora", u""},
        {u"", u"C:\\Tastora", u""},
        {std::u16string(u"C:\\a.swf\0.txt", 14), u"C:\\Tastora", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        const std::u16string file = MovieFileName(c.name);
        EXPECT_EQ(!file.empty() && MovieFileAllowed(file, c.host) ? file : u"", c.file);
    }
}

}  // namespace
}  // namespace swflash
}  // namespace tastora
