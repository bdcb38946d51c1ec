#pragma once
// Tag codes of the SWF format (the reader knows them all by name; the writer uses some).
#include <cstdint>

namespace tastora::swf {

enum TagCode : uint16_t {
    kEnd = 0, kShowFrame = 1, kDefineShape = 2, kPlaceObject = 4, kRemoveObject = 5,
    kDefineBits = 6, kDefineButton = 7, kJpegTables = 8, kSetBackgroundColor = 9, kDefineFont = 10,
    kDefineText = 11, kDoAction = 12, kDefineFontInfo = 13, kDefineSound = 14, kStartSound = 15,
    kSoundStreamHead = 18, kSoundStreamBlock = 19, kDefineBitsLossless = 20, kDefineBitsJpeg2 = 21,
    kDefineShape2 = 22, kProtect = 24, kPlaceObject2 = 26, kRemoveObject2 = 28, kDefineShape3 = 32,
    kDefineText2 = 33, kDefineButton2 = 34, kDefineBitsJpeg3 = 35, kDefineBitsLossless2 = 36,
    kDefineEditText = 37, kDefineSprite = 39, kFrameLabel = 43, kSoundStreamHead2 = 45,
    kDefineMorphShape = 46, kDefineFont2 = 48, kExportAssets = 56, kEnableDebugger = 58,
    kDoInitAction = 59, kDefineFontInfo2 = 62, kEnableDebugger2 = 64, kScriptLimits = 65,
    kSetTabIndex = 66, kFileAttributes = 69, kPlaceObject3 = 70, kDefineFontAlignZones = 73,
    kCsmTextSettings = 74, kDefineFont3 = 75, kSymbolClass = 76, kMetadata = 77,
    kDefineScalingGrid = 78, kDoAbc = 82, kDefineShape4 = 83, kDefineSceneAndFrameLabelData = 86,
    kDefineFontName = 88,
};

}  // namespace tastora::swf
