// A stand-in for the registry editor's export in the window tests: called as
// the editor is ("/e" and the target file), it writes the bytes of the file
// that the environment variable KS_FAKE_EXPORT names, as an export that went
// wrong in a chosen way would leave them.
#include <windows.h>

#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "/e") != 0) return 2;
    char source[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("KS_FAKE_EXPORT", source, MAX_PATH)) return 3;
    return CopyFileA(source, argv[2], FALSE) ? 0 : 4;
}
