// <windows.h> as every Win32 source of ours sees it, first of all (the build
// precompiles it). Our own names include DeleteFile (a file-system question,
// a removal kind) and we call Win32 by its ANSI names, so the macro that
// turns DeleteFile into DeleteFileA goes here, once, for every file alike.
#pragma once

#include <windows.h>

#undef DeleteFile
