// What the program calls itself and where it points its users: every name,
// version and web address of the vendor lives here and nowhere else (the
// name, maker and version in app/version.h, which the resources share).
#pragma once

#include "app/version.h"

namespace ks::product {

constexpr char kName[] = KS_PRODUCT_NAME;
constexpr char kVersion[] = KS_VERSION_TEXT;
constexpr char kVersionLine[] = "Version: " KS_VERSION_TEXT "   Build " KS_BUILD_TEXT;
// The main window's class: a second start finds the first by it.
constexpr char kMainWindowClass[] = "Quarlo Keyscrub Made by Quarlo Software";
// Held by the running copy for its whole life, so that two starts at the
// same instant (before either has a window) cannot both run.
constexpr char kInstanceMutex[] = "Local\\Quarlo Keyscrub running";
constexpr char kCleanOnceSwitch[] = "-cleanonce";

constexpr char kHomePage[] = "https://www.quarlo-software.example/keyscrub/";
constexpr char kUpdatePage[] = "https://www.quarlo-software.example/keyscrub/update.html";
constexpr char kHelpPage[] = "https://www.quarlo-software.example/keyscrub/help/";
constexpr char kItalianHelp[] = "https://www.quarlo-software.example/keyscrub/help/keyscrub-guida.pdf";
constexpr char kPortugueseHelp[] = "https://www.quarlo-software.example/keyscrub/help/keyscrub-ajuda.chm";
constexpr char kTranslationPage[] = "https://www.quarlo-software.example/keyscrub/translate.html";

}  // namespace ks::product
