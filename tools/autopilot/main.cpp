// dcf77-autopilot: the real program (Qt windows, real serial port) with a scripted user in the
// same process, listening to the simulated receiver dcf77-sim. The run command uses its demo when
// there is no display; the end-to-end tests use the other scenarios.

#include "german_time.h"
#include "scenarios.h"
#include "session.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

namespace {

using namespace dcf::autopilot;

QString scenarioList()
{
    QString list;
    for (const Scenario &scenario : scenarios())
        list += QStringLiteral("\n  %1  %2")
                    .arg(QString::fromLatin1(scenario.name), -7)
                    .arg(QString::fromLatin1(scenario.summary));
    return list;
}

int usageError(const QString &text)
{
    std::fprintf(stderr, "dcf77-autopilot: %s\n", qPrintable(text));
    return kExitBadUsage;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments << QString::fromLocal8Bit(argv[k]);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the DCF77 program with a scripted user and a simulated receiver, "
                       "and checks what the windows show. Exit status 0 when every check held.\n"
                       "Scenarios:")
        + scenarioList());
    const QCommandLineOption scenarioOption(QStringLiteral("scenario"),
                                            QStringLiteral("The scenario to play."),
                                            QStringLiteral("NAME"));
    const QCommandLineOption picturesOption(
        QStringLiteral("pictures"), QStringLiteral("Save pictures of both windows in DIR (demo)."),
        QStringLiteral("DIR"));
    const QCommandLineOption startOption(
        QStringLiteral("start"),
        QStringLiteral("Legal time of the simulator's first second instead of the scenario's "
                       "own choice (\"YYYY-MM-DD HH:MM:SS\")."),
        QStringLiteral("TIME"));
    const QCommandLineOption showOption(
        QStringLiteral("show"),
        QStringLiteral("Show the windows on the display instead of the offscreen platform."));
    parser.addOptions({scenarioOption, picturesOption, startOption, showOption});
    parser.addHelpOption();
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return kExitPassed;
    }

    Options options;
    options.scenario = parser.value(scenarioOption);
    options.picturesDir = parser.value(picturesOption);
    const Scenario *scenario = findScenario(options.scenario.toUtf8().constData());
    if (!scenario)
        return usageError(QStringLiteral("choose a --scenario:") + scenarioList());
    if (parser.isSet(startOption)) {
        const dcf::sim::InstantOrError start
            = dcf::sim::parseLegalTime(parser.value(startOption).toStdString());
        if (!start.utcSeconds)
            return usageError(QString::fromStdString(start.error));
        options.startUtc = start.utcSeconds;
    }

    // Without --show the windows live off the screen, so it runs without a display too.
    if (!parser.isSet(showOption) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dcf::prepareApplication();

    Session session(options);
    // The frame's close button ends the program like Exit, as in the program's own main().
    if (!session.main().onCloseRequest)
        session.main().onCloseRequest = [&session] {
            session.qt.program.cmdExit_Click();
        };
    std::printf("dcf77-autopilot: scenario %s (%s)\n", scenario->name, scenario->summary);
    scenario->script(session);
    const int status = session.run();
    std::printf("dcf77-autopilot: scenario %s %s\n", scenario->name,
                status == kExitPassed ? "passed" : "FAILED");
    return status;
}
