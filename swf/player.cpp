#include "swf/player.h"

#include <algorithm>
#include <deque>

#include "swf/display.h"
#include "swf/movie.h"

namespace tastora::swf {

namespace {

// Runs timelines: frames, display-list commands and the actions they queue.
class Runner {
public:
    Runner(const Movie& movie, Player::State& state) : movie_(movie), state_(state) {
        // Live instances now; places made while this runs only add to it (a bound).
        state_.instances = state_.root ? CountTree(*state_.root) : 0;
    }

    // Builds the display list of `frame` from the first frame on (or from the current one
    // when going forward), queueing the actions of the frame reached.
    void Goto(const std::shared_ptr<Clip>& clip, int frame) {
        int count = int(clip->timeline->frames.size());
        frame = std::clamp(frame, 0, count - 1);
        if (frame == clip->frame || Spent()) return;
        std::map<uint16_t, Instance> old;
        int from = clip->frame + 1;
        if (frame < clip->frame) {
            old.swap(clip->list);
            from = 0;
            if (!old.empty()) ++state_.version;
        }
        for (int f = from; f <= frame; ++f) Apply(clip, f, f == frame);
        // Sprites that stay where they were keep their own state.
        for (auto& [depth, inst] : clip->list) {
            auto it = old.find(depth);
            if (it != old.end() && inst.sprite && it->second.sprite && it->second.character == inst.character)
                inst.sprite = it->second.sprite;
        }
        clip->frame = frame;
    }

    // One tick of a clip and, first, of the sprites in it.
    void Advance(const std::shared_ptr<Clip>& clip) {
        std::vector<std::shared_ptr<Clip>> children;
        for (auto& [depth, inst] : clip->list)
            if (inst.sprite) children.push_back(inst.sprite);
        for (auto& c : children) Advance(c);
        if (Spent()) return;
        int count = int(clip->timeline->frames.size());
        if (!clip->playing || count <= 1) return;
        if (clip->frame + 1 < count)
            Goto(clip, clip->frame + 1);
        else
            Goto(clip, 0);
    }

    void RunActions() {
        int budget = kMaxActionsPerTick;
        while (!queue_.empty() && budget > 0 && !Spent()) {
            auto [weak, frameActions] = queue_.front();
            queue_.pop_front();
            auto clip = weak.lock();
            if (!clip) continue;
            for (const Action& a : *frameActions) {
                if (--budget <= 0 || Spent()) break;
                ++work_;
                switch (a.op) {
                    case Action::Stop: clip->playing = false; break;
                    case Action::Play: clip->playing = true; break;
                    case Action::NextFrame:
                        clip->playing = false;
                        Goto(clip, clip->frame + 1);
                        break;
                    case Action::PreviousFrame:
                        clip->playing = false;
                        Goto(clip, clip->frame - 1);
                        break;
                    case Action::GotoFrame:
                        clip->playing = false;
                        Goto(clip, a.frame);
                        break;
                    case Action::GotoLabel: {
                        auto it = clip->timeline->labels.find(a.label);
                        if (it != clip->timeline->labels.end()) {
                            clip->playing = false;
                            Goto(clip, it->second);
                        }
                        break;
                    }
                }
            }
        }
        queue_.clear();
    }

    void Start(const std::shared_ptr<Clip>& clip) {
        clip->frame = 0;
        Apply(clip, 0, true);
    }

private:
    const Movie& movie_;
    Player::State& state_;
    std::deque<std::pair<std::weak_ptr<Clip>, const std::vector<Action>*>> queue_;
    long work_ = 0;  // frames, commands and actions carried out (kMaxWorkPerTick)

    bool Spent() const { return work_ >= kMaxWorkPerTick; }

    static size_t CountTree(const Clip& clip) {
        size_t n = clip.list.size();
        for (const auto& [depth, inst] : clip.list)
            if (inst.sprite) n += CountTree(*inst.sprite);
        return n;
    }

    void Apply(const std::shared_ptr<Clip>& clip, int f, bool withActions) {
        if (Spent()) return;
        ++work_;
        const Frame& frame = clip->timeline->frames[size_t(f)];
        for (const DisplayCommand& c : frame.commands) {
            if (++work_ > kMaxWorkPerTick) return;
            if (c.remove) {
                if (clip->list.erase(c.depth)) ++state_.version;
                continue;
            }
            auto it = clip->list.find(c.depth);
            Instance* inst = nullptr;
            if (c.move) {
                if (it == clip->list.end()) continue;
                inst = &it->second;
                if (c.hasCharacter && c.character != inst->character) {
                    if (!SetCharacter(clip, *inst, c.character)) continue;
                }
            } else {
                // Placing at a depth that is taken leaves the object there, as in Flash.
                if (!c.hasCharacter || it != clip->list.end()) continue;
                if (state_.instances >= kMaxInstances) continue;
                ++state_.instances;
                Instance fresh;
                if (!SetCharacter(clip, fresh, c.character)) continue;
                inst = &(clip->list[c.depth] = std::move(fresh));
            }
            ++state_.version;
            if (c.hasMatrix) inst->matrix = c.matrix;
            if (c.hasColor) inst->color = c.color;
            if (c.hasClip) inst->clipDepth = c.clipDepth;
            if (c.hasRatio) inst->ratio = c.ratio;
        }
        if (withActions && !frame.actions.empty()) queue_.emplace_back(clip, &frame.actions);
    }

    // False for a character that was never defined or a sprite that would hold itself.
    bool SetCharacter(const std::shared_ptr<Clip>& parent, Instance& inst, uint16_t id) {
        CharacterKind kind = movie_.KindOf(id);
        if (kind == CharacterKind::None || kind == CharacterKind::Font) return false;
        inst.character = id;
        inst.kind = kind;
        inst.sprite.reset();
        if (kind != CharacterKind::Sprite) return true;
        const auto& ancestors = parent->ancestors;
        if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end() ||
            int(ancestors.size()) >= kMaxNesting)
            return false;
        auto child = std::make_shared<Clip>();
        child->timeline = movie_.sprites.at(id).get();
        child->id = id;
        child->ancestors = ancestors;
        child->ancestors.push_back(id);
        Apply(child, 0, true);
        inst.sprite = child;
        return true;
    }
};

}  // namespace

Player::Player(std::shared_ptr<const Movie> movie) : movie_(std::move(movie)), state_(new State) {
    if (!movie_) return;
    state_->root = std::make_shared<Clip>();
    state_->root->timeline = &movie_->timeline;
    Runner run(*movie_, *state_);
    run.Start(state_->root);
    run.RunActions();
}

Player::~Player() = default;

uint32_t Player::BackgroundRgb() const {
    if (!movie_) return 0xFFFFFF;
    const Rgba& c = movie_->background;
    return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

double Player::FrameRate() const { return movie_ && movie_->frameRate > 0 ? movie_->frameRate : 12; }

int Player::FrameCount() const { return movie_ ? std::max<int>(1, int(movie_->timeline.frames.size())) : 1; }

int Player::CurrentFrame() const { return state_->root ? state_->root->frame + 1 : 1; }

bool Player::Playing() const { return state_->root ? state_->root->playing : false; }

void Player::SetPlaying(bool playing) {
    if (state_->root) state_->root->playing = playing;
}

void Player::Tick() {
    if (!state_->root) return;
    Runner run(*movie_, *state_);
    run.Advance(state_->root);
    run.RunActions();
}

void Player::GotoFrame(int frame) {
    if (!state_->root) return;
    Runner run(*movie_, *state_);
    run.Goto(state_->root, frame - 1);
    run.RunActions();
}

uint64_t Player::DisplayVersion() const { return state_->version; }

void Player::Render(uint8_t* bgra, int width, int height, int strideBytes, bool highQuality) const {
    RenderMovie(movie_.get(), state_->root.get(), bgra, width, height, strideBytes, highQuality);
}

}  // namespace tastora::swf
