#pragma once

// Steps that several scenarios share: what a user does (start a receiver, type the port, press
// Start, Hide, Exit) and the checks that follow what the program shows.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace dcf::autopilot {

class Session;

/// How long a user waits, at most, for a minute to be decoded: the first minute gap can be
/// missed, so up to two full minutes and a margin.
inline constexpr int kDecodeTimeoutMs = 200 * 1000;
/// How long a check may take to come true on the screen; the running clock answers only once a
/// second.
inline constexpr int kScreenTimeoutMs = 5000;

/// A check: `mismatch` returns what is wrong, or the empty text when all is as expected. It is
/// retried until `timeoutMs` has passed.
void check(Session &session, const QString &what, std::function<QString()> mismatch,
           int timeoutMs = kScreenTimeoutMs);

/// Starts a simulator whose first second is `startUtc`.
void launchSimulator(Session &session, int64_t startUtc, QStringList extraArguments = {});
/// Starts a simulator whose first second is second `secondOfMinute` of the minute nearest to the
/// moment the step runs: the first minute mark follows soon.
void launchSimulatorNearNow(Session &session, QStringList extraArguments = {},
                            int secondOfMinute = 55);

/// Types the latest simulator's device path into "ComPort No." key by key and presses Start;
/// the reception holds the thread from then on, and the steps go on inside it.
void typePortAndPressStart(Session &session);

/// Announces each minute gap the reception finds, as it shows in txtPausZ and txtPause.
void reportMinuteGaps(Session &session);

/// Waits until the result panel is revealed, then works out the minute that the simulator sent
/// and checks the bit row and the panel against it. Prints what was decoded.
void awaitDecodedMinute(Session &session, int timeoutMs = kDecodeTimeoutMs);

/// What the panel shows otherwise than the decode that the program must have made, or the empty
/// text; hour and minute only `withTime` (the running clock moves them on).
QString panelMismatch(Session &session, bool withTime = true);

/// Prints the result panel's rows as the user reads them.
void printPanel(Session &session);

/// Clicks Hide; checks that the clock window replaces the main window at the top-left corner
/// and shows the same date and time as the panel.
void hideToClockWindow(Session &session);

/// Clicks the clock window's background; checks that the main window comes back.
void swapBackToMainWindow(Session &session);

/// Clicks Exit. The program must then end by itself (run() returns).
void pressExit(Session &session);

/// A point of `surface` with no control under it, if there is one.
std::optional<QPoint> freeSpotOn(QWidget *surface);

} // namespace dcf::autopilot
