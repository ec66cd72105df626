// The text report written to a file the user picks.
#include "repair/win/text_report_command.h"

#include "repair/text_report.h"
#include "settings/resource_strings.h"
#include "ui/win/prompts.h"

namespace ks {

bool WriteTextReportFile(const std::string& fileName, std::string_view content) {
    // Windows refuses to replace a read-only file; Wine run by root replaces
    // it (root may write any file), so the attribute is checked here too.
    const DWORD attributes = GetFileAttributesA(fileName.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const auto size = static_cast<DWORD>(content.size());
    bool complete = WriteFile(file, content.data(), size, &written, nullptr) && written == size;
    // A full disk may only show when the cached data is written out.
    complete = FlushFileBuffers(file) && complete;
    complete = CloseHandle(file) && complete;
    if (!complete) DeleteFileA(fileName.c_str());
    return complete;
}

void SaveTextReport(HWND owner, const ProblemList& list, std::string_view webAddress) {
    ui::SaveFileRequest request;
    request.title = "Save as Text File";
    request.filter = "Text files (*.txt)|*.txt";
    ui::Prompts& prompts = ui::CurrentPrompts();
    const std::optional<std::string> chosen = prompts.SaveFile(owner, request);
    if (!chosen) return;
    const std::string fileName = TextReportFileName(*chosen);
    if (GetFileAttributesA(fileName.c_str()) != INVALID_FILE_ATTRIBUTES &&
        prompts.ShowMessage(owner, ReportOverwriteQuestion(fileName), MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2) !=
            IDYES)
        return;
    if (!WriteTextReportFile(fileName, TextReport(list, webAddress)))
        prompts.ShowMessage(owner, ReportNotWrittenMessage(LookupResource(kReportNotWrittenKey), fileName),
                            MB_OK | MB_ICONWARNING);
}

}  // namespace ks
