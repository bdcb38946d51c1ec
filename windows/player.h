#pragma once
// The full-screen presentation player. The Flash control that plays the movies is not
// hosted yet: the window is a borderless, maximised frame with an empty panel, and
// CanPlay() tells callers that no movie can be shown.
#include <cstdint>
#include <string>

#include "core/form_layout.h"

namespace tastora {

class Tastora;

class TFLashplayer {
public:
    explicit TFLashplayer(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();

    // False while no Flash control is hosted: callers then go on without a movie
    // (the results window's "Далее" starts the next exercise instead of opening the player).
    bool CanPlay() const { return false; }

    // Loads a movie (full path) and starts it; does not show the window. Does nothing
    // while no Flash control is hosted.
    void PlaySwf(const std::string& path);
    // The key handler that leads out of the player. Does nothing while no Flash control
    // is hosted (the player is then never shown).
    void FormKeyDown(uint16_t& key);

    bool PresentationShown = false;

private:
    Tastora& app_;
};

}  // namespace tastora
