#pragma once
// The full-screen presentation player.
#include <cstdint>
#include <string>

#include "core/bitmap.h"
#include "core/form_spec.h"

namespace tastora {

class Tastora;

class TFLashplayer {
public:
    explicit TFLashplayer(Tastora& app) : app_(app) {}
    FormSpec Layout();
    void FormCreate();

    // Loads a movie (full path) and starts it; does not show the window.
    void PlaySwf(const std::string& path);
    void FormKeyDown(uint16_t& key);

    bool PresentationShown = false;

private:
    Tastora& app_;
};

}  // namespace tastora
