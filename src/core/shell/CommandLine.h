#pragma once
// The two questions a Linux program answers from its command line before it opens a
// window: `--help` (or -h, --help-all) and `--version` (or -v).  They count only as the
// whole argument text; every other text, whatever it holds, chooses the edition by the
// edition rule (Edition).

#include <QString>
#include <QStringList>

namespace CommandLine {

enum class Request { None, Help, Version };

// arguments: the program's name, then its arguments.
Request request(const QStringList& arguments);

// What is printed for it (standard output).
QString answer(Request request, const QString& programName);

} // namespace CommandLine
