#pragma once
// "A&rchive Current Log": explains what the archive is, asks where to save
// it (proposing BACKUP/<call><date>.mdb in the program folder), takes a
// consistent copy of the log while other positions stay connected, and
// reconnects the log in every case (copied, failed or cancelled).
//
// From the log window's menu:
//     mnuArchive_Click(app, timer3);

class QTimer;

namespace zelq {

class AppContext;

enum class ArchiveOutcome { Archived, Cancelled, Failed };

// `pollTimer` (may be null) is stopped meanwhile and started again after.
ArchiveOutcome mnuArchive_Click(AppContext& app, QTimer* pollTimer);

} // namespace zelq
