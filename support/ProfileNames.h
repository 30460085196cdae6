#pragma once

// The client's profiles, each a folder of its own below the vendor folder, in this order: the
// error-report mailer collects their "logs" folders, the cleaner sweeps their settings.
inline constexpr const wchar_t* kProfileNames[] = {L"brivane", L"brivane_quorsel", L"brivane_stage", L"cm"};
