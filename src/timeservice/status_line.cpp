#include "timeservice/status_line.h"

namespace dcf::timeservice {

std::string checkText(MinuteCheck check)
{
    switch (check) {
    case MinuteCheck::Passed:
        return "checks passed";
    case MinuteCheck::Incomplete:
        return "incomplete minute";
    case MinuteCheck::MissingMark:
        return "a mark is missing";
    case MinuteCheck::ExtraMark:
        return "a mark too many";
    case MinuteCheck::Noise:
        return "noise between the marks";
    case MinuteCheck::BadMark:
        return "a mark too short or too long";
    case MinuteCheck::StartBit:
        return "bit 20 is not set";
    case MinuteCheck::ZoneBits:
        return "not exactly one of bits 17 and 18 is set";
    case MinuteCheck::MinuteParity:
        return "the minute's parity is odd";
    case MinuteCheck::HourParity:
        return "the hour's parity is odd";
    case MinuteCheck::DateParity:
        return "the date's parity is odd";
    case MinuteCheck::OutOfRange:
        return "a field is out of range";
    case MinuteCheck::NoSuchDate:
        return "no such date";
    case MinuteCheck::OutOfSequence:
        return "does not follow the minute before";
    }
    return {};
}

std::string statusLine(const MinuteReport &report)
{
    std::string line = report.time ? formatTimeCode(*report.time) : "no time";
    line += ": ";
    if (report.silent)
        line += "the receiver fell silent";
    else
        line += checkText(report.check);
    if (report.check == MinuteCheck::Passed && !report.sending)
        line += ", waiting for the next minute to agree";
    line += "; " + std::to_string(report.marks) + (report.marks == 1 ? " mark, " : " marks, ")
        + std::to_string(report.samples) + (report.samples == 1 ? " sample sent" : " samples sent");
    return line;
}

} // namespace dcf::timeservice
