#pragma once

#include "station/record.h"

#include <QString>

namespace station {

// The report of a station run: one record per terminal, appended and handed to the system at
// once, so a crash loses none that was done. JSON Lines for ".jsonl", CSV for ".csv".
class ReportFile {
  public:
    ReportFile() = default;
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // Opens for appending without blocking: a regular file or a new name only. The German
    // reason on failure, empty when fine.
    QString open(const QString& path);
    bool isOpen() const { return fd_ >= 0; }
    QString path() const { return path_; }

    // The reason a record could not be written, empty when fine.
    QString append(const TerminalRecord& record);

  private:
    QString writeAll(const QByteArray& bytes);

    int fd_ = -1;
    bool csv_ = false;
    QString path_;
};

} // namespace station
