// The scan sections by task id: the image index of a section in the scan tree.
#pragma once

#include <string_view>

namespace ks {

constexpr int kFirstTaskId = 3;
constexpr int kLastTaskId = 23;

struct TaskInfo {
    int id;
    const char* caption;    // the section's caption in the scan tree
    const char* checkName;  // the worker's check for the section
};

// The row for an id, or null for an id outside 3..23.
const TaskInfo* FindTask(int id);

// A task id as the main window hands it over: a decimal text. A text that is
// not a number reads as 0 (which names no task).
int ParseTaskId(std::string_view text);

}  // namespace ks
