#pragma once
// The Shockwave Flash control as its hosts see it: its class and the members reached through
// IDispatch, in one list shared by the control (SWFLASH.OCX) and the program that hosts it.
#include <cstdint>

namespace tastora::flash {

constexpr char kClassId[] = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";

enum class MemberKind : uint8_t { Property, ReadOnlyProperty, Method };
// A property's value; a method's one argument (GotoFrame) or its result.
enum class ValueType : uint8_t { None, Bool, Int, Text };

// X(name, dispatch id, kind, value type)
#define TASTORA_FLASH_MEMBERS(X)               \
    X(ReadyState, -525, ReadOnlyProperty, Int) \
    X(TotalFrames, 124, ReadOnlyProperty, Int) \
    X(Playing, 125, Property, Bool)            \
    X(Quality, 105, Property, Int)             \
    X(ScaleMode, 120, Property, Int)           \
    X(Loop, 106, Property, Bool)               \
    X(Movie, 102, Property, Text)              \
    X(FrameNum, 107, Property, Int)            \
    X(Play, 112, Method, None)                 \
    X(Stop, 113, Method, None)                 \
    X(Back, 114, Method, None)                 \
    X(Forward, 115, Method, None)              \
    X(Rewind, 116, Method, None)               \
    X(StopPlay, 126, Method, None)             \
    X(GotoFrame, 127, Method, Int)             \
    X(CurrentFrame, 128, Method, Int)          \
    X(IsPlaying, 129, Method, Bool)            \
    X(FlashVersion, 132, Method, Int)          \
    X(WMode, 133, Property, Text)              \
    X(Scale, 137, Property, Text)              \
    X(Quality2, 141, Property, Text)

enum class Member : uint8_t {
#define TASTORA_FLASH_MEMBER_ENUM(name, dispid, kind, type) name,
    TASTORA_FLASH_MEMBERS(TASTORA_FLASH_MEMBER_ENUM)
#undef TASTORA_FLASH_MEMBER_ENUM
};

struct MemberInfo {
    Member member;
    const char* name;
    int32_t dispid;
    MemberKind kind;
    ValueType type;
};

// In the order of Member.
inline constexpr MemberInfo kMembers[] = {
#define TASTORA_FLASH_MEMBER_INFO(name, dispid, kind, type) \
    {Member::name, #name, dispid, MemberKind::kind, ValueType::type},
    TASTORA_FLASH_MEMBERS(TASTORA_FLASH_MEMBER_INFO)
#undef TASTORA_FLASH_MEMBER_INFO
};

constexpr const MemberInfo& InfoOf(Member member) { return kMembers[int(member)]; }
constexpr int32_t DispidOf(Member member) { return InfoOf(member).dispid; }

}  // namespace tastora::flash
