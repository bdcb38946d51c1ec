#pragma once
// A stand-in for the program body: it records what a window reports, so that a window can be
// tested on its own.
#include <string>
#include <vector>

#include "session/session.h"

namespace tastora {

struct RecordingFlow : CourseFlow {
    struct Login {
        std::string name;
        double level;
        bool created;
        bool operator==(const Login& o) const { return name == o.name && level == o.level && created == o.created; }
    };
    std::vector<Login> logins;
    std::vector<ExerciseResult> finished;
    std::vector<CourseEvent> events;
    int reviewsAsked = 0;
    void LoggedIn(const std::string& name, double level, bool created) override {
        logins.push_back({name, level, created});
    }
    void ExerciseFinished(const ExerciseResult& result) override { finished.push_back(result); }
    void Report(CourseEvent event) override { events.push_back(event); }
    bool GenerateReviewText() override {
        ++reviewsAsked;
        return false;
    }
};

}  // namespace tastora
