// Resource identifiers of keyscrub.exe.
#pragma once

#define IDI_KEYSCRUB 1
