// What the program calls itself and where it points its users: every name,
// version and web address of the vendor lives here and nowhere else.
#pragma once

namespace ks::product {

constexpr char kName[] = "Quarlo Keyscrub";
constexpr char kVersion[] = "3.3";
constexpr char kVersionLine[] = "Version: 3.3   Build 20131113";
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
