#include "CommandLine.h"

#include "Edition.h"

#include <QCommandLineParser>

namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;
    Parser()
        : help(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("help-all")},
               QStringLiteral("Shows this help and ends.")),
          version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                  QStringLiteral("Shows the program's version and ends.")) {
        parser.setApplicationDescription(QStringLiteral(
            "The network management station for the Tessovar audio-over-IP elements.\n"
            "\n"
            "The whole argument text chooses the edition, in any letter case:\n"
            "  (none)  the standard edition (decoder buffer 0 to 22)\n"
            "  GPS     the GPSDO edition (decoder buffer 0 to 23)\n"
            "  LL      the low-latency edition (decoder buffer 0 to 44)\n"
            "Anything else starts the standard edition.  The manual: man tessovar-nms."));
        parser.addOption(help);
        parser.addOption(version);
        parser.addPositionalArgument(QStringLiteral("edition"),
                                     QStringLiteral("GPS or LL, or nothing."),
                                     QStringLiteral("[GPS|LL]"));
    }
};

} // namespace

namespace CommandLine {

Request request(const QStringList& arguments) {
    if (arguments.size() != 2 || !arguments[1].startsWith(u'-'))
        return Request::None;
    Parser p;
    // One option, named whole: "-hv" is no question either.
    if (!p.parser.parse(arguments) || p.parser.optionNames().size() != 1)
        return Request::None;
    if (p.parser.isSet(p.help))
        return Request::Help;
    if (p.parser.isSet(p.version))
        return Request::Version;
    return Request::None;
}

QString answer(Request request, const QString& programName) {
    switch (request) {
    case Request::Help: {
        Parser p;
        // The usage line names the program by its name, not the path it was started by.
        const QString text = p.parser.helpText();
        return QStringLiteral("Usage: %1 [options] [GPS|LL]").arg(programName) +
               text.mid(text.indexOf(u'\n'));
    }
    case Request::Version:
        return QStringLiteral("%1 %2\n").arg(programName, programVersion());
    case Request::None:
        break;
    }
    return QString();
}

} // namespace CommandLine
