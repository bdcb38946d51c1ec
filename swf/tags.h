#pragma once
// The tag codes of the SWF format that the reader knows, in one list: each code's constant,
// its number, its name (as `tastora_swf info` prints it) and what the player makes of it.
#include <cstdint>
#include <string>

namespace tastora::swf {

// What the player makes of a tag: read and drawn (or run), read for nothing that shows
// (file attributes, metadata, names), or skipped by its length and so not drawn.
enum class TagUse : uint8_t { Drawn, NoPicture, NotDrawn };

// X(constant, code, name, use)
#define TASTORA_SWF_TAGS(X)                                                         \
    X(kEnd, 0, "End", Drawn)                                                        \
    X(kShowFrame, 1, "ShowFrame", Drawn)                                            \
    X(kDefineShape, 2, "DefineShape", Drawn)                                        \
    X(kPlaceObject, 4, "PlaceObject", Drawn)                                        \
    X(kRemoveObject, 5, "RemoveObject", Drawn)                                      \
    X(kDefineBits, 6, "DefineBits", Drawn)                                          \
    X(kDefineButton, 7, "DefineButton", NotDrawn)                                   \
    X(kJpegTables, 8, "JPEGTables", Drawn)                                          \
    X(kSetBackgroundColor, 9, "SetBackgroundColor", Drawn)                          \
    X(kDefineFont, 10, "DefineFont", Drawn)                                         \
    X(kDefineText, 11, "DefineText", Drawn)                                         \
    X(kDoAction, 12, "DoAction", Drawn)                                             \
    X(kDefineFontInfo, 13, "DefineFontInfo", NoPicture)                             \
    X(kDefineSound, 14, "DefineSound", NotDrawn)                                    \
    X(kStartSound, 15, "StartSound", NotDrawn)                                      \
    X(kSoundStreamHead, 18, "SoundStreamHead", NotDrawn)                            \
    X(kSoundStreamBlock, 19, "SoundStreamBlock", NotDrawn)                          \
    X(kDefineBitsLossless, 20, "DefineBitsLossless", Drawn)                         \
    X(kDefineBitsJpeg2, 21, "DefineBitsJPEG2", Drawn)                               \
    X(kDefineShape2, 22, "DefineShape2", Drawn)                                     \
    X(kProtect, 24, "Protect", NoPicture)                                           \
    X(kPlaceObject2, 26, "PlaceObject2", Drawn)                                     \
    X(kRemoveObject2, 28, "RemoveObject2", Drawn)                                   \
    X(kDefineShape3, 32, "DefineShape3", Drawn)                                     \
    X(kDefineText2, 33, "DefineText2", Drawn)                                       \
    X(kDefineButton2, 34, "DefineButton2", NotDrawn)                                \
    X(kDefineBitsJpeg3, 35, "DefineBitsJPEG3", Drawn)                               \
    X(kDefineBitsLossless2, 36, "DefineBitsLossless2", Drawn)                       \
    X(kDefineEditText, 37, "DefineEditText", NotDrawn)                              \
    X(kDefineSprite, 39, "DefineSprite", Drawn)                                     \
    X(kFrameLabel, 43, "FrameLabel", Drawn)                                         \
    X(kSoundStreamHead2, 45, "SoundStreamHead2", NotDrawn)                          \
    X(kDefineMorphShape, 46, "DefineMorphShape", Drawn)                             \
    X(kDefineFont2, 48, "DefineFont2", Drawn)                                       \
    X(kExportAssets, 56, "ExportAssets", NoPicture)                                 \
    X(kEnableDebugger, 58, "EnableDebugger", NoPicture)                             \
    X(kDoInitAction, 59, "DoInitAction", NotDrawn)                                  \
    X(kDefineFontInfo2, 62, "DefineFontInfo2", NoPicture)                           \
    X(kEnableDebugger2, 64, "EnableDebugger2", NoPicture)                           \
    X(kScriptLimits, 65, "ScriptLimits", NoPicture)                                 \
    X(kSetTabIndex, 66, "SetTabIndex", NoPicture)                                   \
    X(kFileAttributes, 69, "FileAttributes", NoPicture)                             \
    X(kPlaceObject3, 70, "PlaceObject3", Drawn)                                     \
    X(kDefineFontAlignZones, 73, "DefineFontAlignZones", NoPicture)                 \
    X(kCsmTextSettings, 74, "CSMTextSettings", NoPicture)                           \
    X(kDefineFont3, 75, "DefineFont3", Drawn)                                       \
    X(kSymbolClass, 76, "SymbolClass", NoPicture)                                   \
    X(kMetadata, 77, "Metadata", NoPicture)                                         \
    X(kDefineScalingGrid, 78, "DefineScalingGrid", NotDrawn)                        \
    X(kDoAbc, 82, "DoABC", NotDrawn)                                                \
    X(kDefineShape4, 83, "DefineShape4", Drawn)                                     \
    X(kDefineMorphShape2, 84, "DefineMorphShape2", Drawn)                           \
    X(kDefineSceneAndFrameLabelData, 86, "DefineSceneAndFrameLabelData", NoPicture) \
    X(kDefineFontName, 88, "DefineFontName", NoPicture)                             \
    X(kDefineBitsJpeg4, 90, "DefineBitsJPEG4", Drawn)

enum TagCode : uint16_t {
#define TASTORA_SWF_TAG_CODE(constant, code, name, use) constant = code,
    TASTORA_SWF_TAGS(TASTORA_SWF_TAG_CODE)
#undef TASTORA_SWF_TAG_CODE
};

struct TagKind {
    uint16_t code;
    const char* name;
    TagUse use;
};

inline constexpr TagKind kTagKinds[] = {
#define TASTORA_SWF_TAG_KIND(constant, code, name, use) {code, name, TagUse::use},
    TASTORA_SWF_TAGS(TASTORA_SWF_TAG_KIND)
#undef TASTORA_SWF_TAG_KIND
};

// The name of a tag code ("DefineShape3"), or "Tag<N>" for one the reader does not know.
std::string TagName(uint16_t code);
// What the player makes of a tag code; a code the reader does not know is not drawn.
TagUse TagUseOf(uint16_t code);

// The flags of PlaceObject2 and PlaceObject3 (first byte): what the record holds.
enum PlaceFlag : uint8_t {
    kPlaceMove = 0x01,
    kPlaceHasCharacter = 0x02,
    kPlaceHasMatrix = 0x04,
    kPlaceHasColorTransform = 0x08,
    kPlaceHasRatio = 0x10,
    kPlaceHasName = 0x20,
    kPlaceHasClipDepth = 0x40,
    kPlaceHasClipActions = 0x80,
};
// PlaceObject3's second byte.
enum PlaceFlag3 : uint8_t {
    kPlaceHasFilterList = 0x01,
    kPlaceHasBlendMode = 0x02,
    kPlaceHasCacheAsBitmap = 0x04,
    kPlaceHasClassName = 0x08,
    kPlaceHasImage = 0x10,
};

}  // namespace tastora::swf
