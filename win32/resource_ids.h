#pragma once
// Resource ids shared by the resource scripts and the code (plain defines: windres reads it).

// The resource (type RT_MANIFEST) of tastora.exe that names SWFLASH.OCX and its class for an
// activation context. Not the application manifest (id 1): the program must start also where
// the file is missing.
#define TASTORA_CONTROL_MANIFEST_ID 101
