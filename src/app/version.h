// The product's name, maker and version, defined once. Plain macros, because
// the resource compiler reads this file too (the version resource), and the
// Makefile reads it for the package file names: keep each on its own
// "#define NAME value" line.
#pragma once

#define KS_PRODUCT_NAME "Quarlo Keyscrub"
#define KS_COMPANY_NAME "Quarlo Software"
#define KS_VERSION_MAJOR 3
#define KS_VERSION_MINOR 3
#define KS_VERSION_BUILD 20131113

#define KS_STRINGIZE_(x) #x
#define KS_STRINGIZE(x) KS_STRINGIZE_(x)
// "3.3" and "20131113": adjacent literals, joined by the compilers.
#define KS_VERSION_TEXT KS_STRINGIZE(KS_VERSION_MAJOR) "." KS_STRINGIZE(KS_VERSION_MINOR)
#define KS_BUILD_TEXT KS_STRINGIZE(KS_VERSION_BUILD)
