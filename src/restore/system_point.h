// The system restore point asked for before a repair: the request record as
// System Restore takes it, the paced progress bar, and the dialog's answer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/form_table.h"

namespace ks {

// The restore-point worker's answer, posted to the dialog: lParam 0 when the
// restore point was made, 1 when the request failed. No wParam.
constexpr unsigned kMsgSystemPointAnswer = 0x2412;

inline constexpr char kRestorePointDescription[] = "Made by Quarlo Keyscrub";
constexpr std::size_t kRestorePointDescriptionBytes = 64;
constexpr std::int32_t kBeginSystemChange = 100;
constexpr std::int32_t kApplicationInstall = 0;

// The request record, packed without padding, as SRSetRestorePointA reads it
// in 32-bit and 64-bit processes alike.
#pragma pack(push, 1)
struct RestorePointRequest {
    std::int32_t eventType;
    std::int32_t restorePointType;
    std::int64_t sequenceNumber;
    char description[kRestorePointDescriptionBytes];
};
// What System Restore answers with; supplied, never read.
struct RestorePointStatus {
    std::uint32_t status;
    std::int64_t sequenceNumber;
};
#pragma pack(pop)

static_assert(sizeof(RestorePointRequest) == 80);
static_assert(offsetof(RestorePointRequest, eventType) == 0);
static_assert(offsetof(RestorePointRequest, restorePointType) == 4);
static_assert(offsetof(RestorePointRequest, sequenceNumber) == 8);
static_assert(offsetof(RestorePointRequest, description) == 16);
static_assert(sizeof(RestorePointStatus) == 12);
static_assert(offsetof(RestorePointStatus, sequenceNumber) == 4);

// Begin-system-change, application-install, sequence 0, the description
// NUL-terminated and NUL-padded to 64 bytes.
RestorePointRequest MakeRestorePointRequest();

// The bar shows time, not progress: each second it moves by a step that
// shrinks as it fills, and stops at 100.
int SystemPointBarStep(int position);

// The table of the restore-point dialog, TfrmSystemPoint.
const ui::FormDef& SystemPointForm();

}  // namespace ks
