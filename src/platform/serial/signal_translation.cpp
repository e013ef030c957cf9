#include "platform/serial/signal_translation.h"

namespace dcf::serial {

namespace {

/// What is kept while the kind is unknown: more than a flood brings in a second, and a line's
/// changes for over a minute.
constexpr std::size_t kHeldCharacters = 4096;
constexpr std::size_t kHeldChanges = 256;
/// The longest pause between two marks that the reception takes for a minute gap.
constexpr int64_t kLongestMinuteGapUs = 2'500'000;

constexpr std::array<unsigned, 4> kLines {kDcd, kCts, kDsr, kRi};

std::size_t indexOf(unsigned line)
{
    for (std::size_t i = 0; i < kLines.size(); ++i) {
        if (kLines[i] == line)
            return i;
    }
    return 0;
}

bool isEdgeCharacter(char c)
{
    return c == '1' || c == '0';
}

} // namespace

SignalTranslation::SignalTranslation(const ReceiverChoice &choice, bool modemLines,
                                     int64_t openedMicroseconds)
    : m_polarity(choice.polarity)
    , m_opened(openedMicroseconds)
{
    if (!choice.kind) {
        m_recogniser.emplace(modemLines ? kDcd | kCts | kDsr | kRi : 0u, true);
        m_samplesLines = modemLines;
        return;
    }
    m_line = settingsOf(*choice.kind).line;
    if (m_line != 0 && m_polarity == Polarity::FromSignal) {
        m_recogniser.emplace(m_line, false);
        return;
    }
    m_kind = choice.kind;
    m_markWhileActive = m_polarity != Polarity::MarkWhileInactive;
}

SignalTranslation::Watch SignalTranslation::watch() const
{
    if (m_line != 0)
        return Watch::Line;
    if (m_kind == ReceiverKind::Rxd50)
        return Watch::SlowCharacters;
    if (!m_kind && m_samplesLines)
        return Watch::CharactersAndLines;
    return Watch::Characters;
}

void SignalTranslation::switchedToSlowCharacters(int baud)
{
    if (baud > 0)
        m_slow.emplace(baud);
    else
        m_unreadable = true;
}

void SignalTranslation::characters(std::string_view bytes, int64_t stampMicroseconds,
                                   std::vector<Delivery> &out)
{
    if (m_kind == ReceiverKind::Rxd50) {
        if (m_slow) {
            m_slow->characters(bytes, stampMicroseconds, m_edges);
            handOnSlow(out);
        }
        return;
    }
    if (m_kind == ReceiverKind::Characters) {
        for (const char byte : bytes)
            out.push_back({{byte, stampMicroseconds}, isEdgeCharacter(byte)});
        return;
    }
    if (m_kind || !m_recogniser)
        return;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (m_heldCharacters.size() == kHeldCharacters)
            m_heldCharacters.pop_front();
        m_heldCharacters.push_back({bytes[i], stampMicroseconds});
        if (const std::optional<Recognised> kind
            = m_recogniser->character(bytes[i], stampMicroseconds)) {
            recognised(*kind, out);
            characters(bytes.substr(i + 1), stampMicroseconds, out);
            return;
        }
    }
}

void SignalTranslation::lines(const LineSample &sample, std::vector<Delivery> &out)
{
    if (m_kind && m_line != 0) {
        m_watches[indexOf(m_line)].sample(sample, m_changes);
        handOn(m_changes, out);
        m_changes.clear();
        return;
    }
    if (m_kind || !m_recogniser)
        return;
    for (std::size_t i = 0; i < kLines.size(); ++i) {
        m_watches[i].sample(sample, m_changes);
        std::vector<LineChange> &held = m_heldChanges[i];
        for (std::size_t c = 0; c < m_changes.size(); ++c) {
            if (held.size() == kHeldChanges)
                held.erase(held.begin());
            held.push_back(m_changes[c]);
            if (const std::optional<Recognised> kind = m_recogniser->lineChanged(kLines[i], held)) {
                recognised(*kind, out);
                // This line's later changes in the same sample follow; the other lines' are no
                // marks.
                handOn(std::span(m_changes).subspan(c + 1), out);
                m_changes.clear();
                return;
            }
        }
        m_changes.clear();
    }
}

std::optional<int64_t> SignalTranslation::nextDue() const
{
    if (m_slow && m_slow->pending())
        return m_slow->pending()->stampMicroseconds;
    return std::nullopt;
}

void SignalTranslation::due(int64_t nowMicroseconds, std::vector<Delivery> &out)
{
    if (m_slow) {
        m_slow->due(nowMicroseconds, m_edges);
        handOnSlow(out);
    }
}

void SignalTranslation::recognised(const Recognised &recognised, std::vector<Delivery> &out)
{
    m_kind = recognised.kind;
    m_recogniser.reset();
    m_line = settingsOf(recognised.kind).line;
    if (recognised.kind == ReceiverKind::Characters) {
        for (const Arrival &arrival : m_heldCharacters)
            out.push_back({arrival, isEdgeCharacter(arrival.character)});
    } else if (m_line != 0) {
        m_markWhileActive = m_polarity == Polarity::FromSignal
            ? recognised.markWhileActive
            : m_polarity == Polarity::MarkWhileActive;
        handOn(m_heldChanges[indexOf(m_line)], out);
    }
    // At 38400 baud a receiver on RxD shows only the starts of its marks: nothing to hand on. The
    // pause from the open to the first mark handed on then says nothing; as long as a minute
    // gap's longest (2.5 s) it would pass for one, so that mark is held back too.
    if (recognised.kind == ReceiverKind::Rxd50)
        m_handOnFrom = m_opened + kLongestMinuteGapUs;
    m_heldCharacters.clear();
    for (std::vector<LineChange> &held : m_heldChanges)
        held.clear();
}

void SignalTranslation::handOn(std::span<const LineChange> changes,
                               std::vector<Delivery> &out) const
{
    for (const LineChange &change : changes) {
        const bool markBegins = change.active == m_markWhileActive;
        out.push_back({{markBegins ? '1' : '0', change.stampMicroseconds}, true});
    }
}

void SignalTranslation::handOnSlow(std::vector<Delivery> &out)
{
    for (const Edge &edge : m_edges) {
        // A mark held back goes with its end.
        if (edge.markBegins)
            m_holdingMark = edge.stampMicroseconds < m_handOnFrom;
        if (!m_holdingMark)
            out.push_back({{edge.markBegins ? '1' : '0', edge.stampMicroseconds}, true});
    }
    m_edges.clear();
}

} // namespace dcf::serial
