// Feeds arbitrary bytes to decodeAlarms and checks more than "no crash":
//  - it accepts nothing that a grammar-only recognizer of JSON texts refuses;
//  - what it accepts and refuses agrees with a second reading of the same
//    rules on the document parser (a tree, not events), and the values it
//    returns are the values in the text;
//  - every list it accepts encodes, encodes to the same bytes every time, and
//    that text reads back to the very same list, bit for bit, and encodes to
//    itself again.
// Any violation aborts, which libFuzzer reports as a finding with the input.

#include "model/AlarmCodec.h"

#include <nlohmann/json.hpp>

#include <QByteArray>
#include <QList>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;

void check(bool condition, const char *property)
{
    if (condition)
        return;
    std::fprintf(stderr, "brisvane_decode_fuzzer: property violated: %s\n", property);
    std::abort();
}

// A recognizer of RFC 8259 JSON texts written from the grammar, sharing no
// code with the parser under test: a text it refuses is not JSON, whatever
// that parser thinks. It also refuses what cannot be well-formed Unicode
// (bad UTF-8, escaped lone surrogates), and lets a UTF-8 byte order mark
// through at the start, which the RFC allows a reader to ignore.
class JsonGrammar
{
public:
    enum class Verdict
    {
        Valid,
        Invalid,
        TooDeep
    };

    static Verdict check(const std::uint8_t *data, std::size_t size)
    {
        JsonGrammar grammar(data, data + size);
        if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
            grammar.m_at += 3;
        grammar.whitespace();
        bool valid = grammar.value();
        grammar.whitespace();
        valid = valid && grammar.atEnd();
        if (grammar.m_tooDeep)
            return Verdict::TooDeep;
        return valid ? Verdict::Valid : Verdict::Invalid;
    }

private:
    static constexpr int kMaxDepth = 2000; // the recursion stays well inside the stack

    JsonGrammar(const std::uint8_t *begin, const std::uint8_t *end)
        : m_at(begin)
        , m_end(end)
    { }

    bool atEnd() const { return m_at == m_end; }
    bool peek(std::uint8_t c) const { return !atEnd() && *m_at == c; }
    bool take(std::uint8_t c)
    {
        if (!peek(c))
            return false;
        ++m_at;
        return true;
    }
    bool takeIn(std::uint8_t low, std::uint8_t high)
    {
        if (atEnd() || *m_at < low || *m_at > high)
            return false;
        ++m_at;
        return true;
    }

    void whitespace()
    {
        while (peek(' ') || peek('\t') || peek('\n') || peek('\r'))
            ++m_at;
    }

    bool value()
    {
        if (atEnd())
            return false;
        switch (*m_at) {
        case '{':
        case '[':
            return container();
        case '"':
            return string();
        case 't':
            return word("true");
        case 'f':
            return word("false");
        case 'n':
            return word("null");
        default:
            return number();
        }
    }

    bool word(const char *text)
    {
        for (; *text; ++text) {
            if (!take(std::uint8_t(*text)))
                return false;
        }
        return true;
    }

    bool container()
    {
        const bool isObject = *m_at == '{';
        const std::uint8_t close = isObject ? '}' : ']';
        ++m_at;
        if (++m_depth > kMaxDepth) {
            m_tooDeep = true;
            return false;
        }
        whitespace();
        if (!take(close)) {
            for (;;) {
                if (isObject) {
                    if (!string())
                        return false;
                    whitespace();
                    if (!take(':'))
                        return false;
                    whitespace();
                }
                if (!value())
                    return false;
                whitespace();
                if (take(close))
                    break;
                if (!take(','))
                    return false;
                whitespace();
            }
        }
        --m_depth;
        return true;
    }

    bool digits()
    {
        if (!takeIn('0', '9'))
            return false;
        while (takeIn('0', '9')) { }
        return true;
    }

    bool number()
    {
        take('-');
        if (!take('0') && !digits())
            return false;
        if (take('.') && !digits())
            return false;
        if (take('e') || take('E')) {
            if (!take('+'))
                take('-');
            if (!digits())
                return false;
        }
        return true;
    }

    bool hexUnit(unsigned &unit)
    {
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            if (atEnd() || !std::isxdigit(*m_at))
                return false;
            const std::uint8_t c = *m_at++;
            unit = unit * 16 + unsigned(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return true;
    }

    bool escape()
    {
        if (atEnd())
            return false;
        switch (*m_at++) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            return true;
        case 'u': {
            unsigned unit = 0;
            if (!hexUnit(unit))
                return false;
            if (unit >= 0xDC00 && unit <= 0xDFFF)
                return false; // a low surrogate with no high one before it
            if (unit < 0xD800 || unit > 0xDBFF)
                return true;
            unsigned low = 0;
            return take('\\') && take('u') && hexUnit(low) && low >= 0xDC00 && low <= 0xDFFF;
        }
        default:
            return false;
        }
    }

    // One well-formed UTF-8 sequence of two to four bytes (RFC 3629).
    bool multiByteCharacter()
    {
        const std::uint8_t lead = *m_at++;
        if (lead >= 0xC2 && lead <= 0xDF)
            return takeIn(0x80, 0xBF);
        if (lead == 0xE0)
            return takeIn(0xA0, 0xBF) && takeIn(0x80, 0xBF);
        if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF)
            return takeIn(0x80, 0xBF) && takeIn(0x80, 0xBF);
        if (lead == 0xED)
            return takeIn(0x80, 0x9F) && takeIn(0x80, 0xBF);
        if (lead == 0xF0)
            return takeIn(0x90, 0xBF) && takeIn(0x80, 0xBF) && takeIn(0x80, 0xBF);
        if (lead >= 0xF1 && lead <= 0xF3)
            return takeIn(0x80, 0xBF) && takeIn(0x80, 0xBF) && takeIn(0x80, 0xBF);
        if (lead == 0xF4)
            return takeIn(0x80, 0x8F) && takeIn(0x80, 0xBF) && takeIn(0x80, 0xBF);
        return false;
    }

    bool string()
    {
        if (!take('"'))
            return false;
        while (!atEnd()) {
            const std::uint8_t c = *m_at;
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (c < 0x20)
                return false; // control characters must be escaped
            if (c == '\\') {
                ++m_at;
                if (!escape())
                    return false;
            } else if (c < 0x80) {
                ++m_at;
            } else if (!multiByteCharacter()) {
                return false;
            }
        }
        return false;
    }

    const std::uint8_t *m_at;
    const std::uint8_t *m_end;
    int m_depth = 0;
    bool m_tooDeep = false;
};

// Stricter than Alarm's equality: that one takes -0 for +0 and canonically
// equivalent labels for each other, which a round trip must not need.
bool identical(const Alarm &a, const Alarm &b)
{
    return a.id == b.id && std::memcmp(&a.fireDate, &b.fireDate, sizeof(Moment)) == 0
        && a.label.size() == b.label.size() && a.label == b.label
        && a.repeatsDaily == b.repeatsDaily && a.isEnabled == b.isEnabled
        && a.isSnooze == b.isSnooze;
}

bool identical(const QList<Alarm> &a, const QList<Alarm> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!identical(a.at(i), b.at(i)))
            return false;
    }
    return true;
}

// Written apart from the codec's check on purpose: a second opinion.
bool isUuidText(const std::string &text)
{
    static const std::string pattern = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
    if (text.size() != pattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (pattern[i] == '-' ? c != '-' : !std::isxdigit(c))
            return false;
    }
    return true;
}

std::string upper(std::string text)
{
    for (char &c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

struct ReferenceAlarm
{
    std::string id; // upper case
    double fireDate;
    std::string label; // UTF-8
    bool repeatsDaily;
    bool isEnabled;
    bool isSnooze;
};

struct Reference
{
    // Duplicate keys: the tree keeps only the last value, so it cannot tell
    // whether an earlier one was of the wrong type.
    bool duplicateKeys = false;
    std::optional<std::vector<ReferenceAlarm>> alarms;
};

Reference readReference(const std::uint8_t *data, std::size_t size)
{
    Reference result;
    std::vector<std::set<std::string>> openObjects;
    const Json::parser_callback_t callback = [&](int, Json::parse_event_t event, Json &parsed) {
        switch (event) {
        case Json::parse_event_t::object_start:
            openObjects.emplace_back();
            break;
        case Json::parse_event_t::object_end:
            openObjects.pop_back();
            break;
        case Json::parse_event_t::key:
            if (!openObjects.back().insert(parsed.get<std::string>()).second)
                result.duplicateKeys = true;
            break;
        default:
            break;
        }
        return true;
    };
    const Json document = Json::parse(data, data + size, callback, /*allow_exceptions=*/false);
    if (document.is_discarded() || !document.is_array())
        return result;

    std::vector<ReferenceAlarm> alarms;
    for (const Json &element : document) {
        if (!element.is_object())
            return result;
        const auto id = element.find("id");
        const auto fireDate = element.find("fireDate");
        const auto label = element.find("label");
        const auto repeatsDaily = element.find("repeatsDaily");
        const auto isEnabled = element.find("isEnabled");
        const auto isSnooze = element.find("isSnooze");
        const auto end = element.end();
        if (id == end || !id->is_string() || !isUuidText(id->get<std::string>()))
            return result;
        if (fireDate == end || !fireDate->is_number())
            return result;
        if (label == end || !label->is_string())
            return result;
        for (const auto &flag : { repeatsDaily, isEnabled, isSnooze }) {
            if (flag == end || !flag->is_boolean())
                return result;
        }
        alarms.push_back(
            { upper(id->get<std::string>()), fireDate->get<double>(), label->get<std::string>(),
                repeatsDaily->get<bool>(), isEnabled->get<bool>(), isSnooze->get<bool>() });
    }
    result.alarms = std::move(alarms);
    return result;
}

bool sameAsReference(const QList<Alarm> &decoded, const std::vector<ReferenceAlarm> &reference)
{
    if (std::size_t(decoded.size()) != reference.size())
        return false;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        const Alarm &alarm = decoded.at(qsizetype(i));
        const ReferenceAlarm &expected = reference[i];
        const QByteArray label = alarm.label.toUtf8();
        if (uuidText(alarm.id).toStdString() != expected.id
            || std::memcmp(&alarm.fireDate, &expected.fireDate, sizeof(double)) != 0
            || std::string(label.constData(), std::size_t(label.size())) != expected.label
            || alarm.repeatsDaily != expected.repeatsDaily || alarm.isEnabled != expected.isEnabled
            || alarm.isSnooze != expected.isSnooze)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // No copy and no terminating NUL: a read past the end is ASan's to catch.
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QList<Alarm>> decoded = decodeAlarms(bytes);

    const JsonGrammar::Verdict grammar = JsonGrammar::check(data, size);
    const Reference reference = readReference(data, size);
    if (decoded) {
        check(grammar != JsonGrammar::Verdict::Invalid,
            "the decoder accepts bytes that are not a JSON text");
        check(reference.alarms.has_value(), "the decoder accepts what the reference refuses");
        check(sameAsReference(*decoded, *reference.alarms),
            "the decoder returns other values than the text holds");
    } else if (grammar == JsonGrammar::Verdict::Valid && !reference.duplicateKeys) {
        check(!reference.alarms.has_value(), "the decoder refuses a well-formed list");
    }

    if (!decoded)
        return 0;

    const std::optional<QByteArray> encoded = encodeAlarms(*decoded);
    check(encoded.has_value(), "a decoded list does not encode");
    const std::optional<QByteArray> encodedAgain = encodeAlarms(*decoded);
    check(encodedAgain == encoded, "encoding the same list twice gives different bytes");

    const std::optional<QList<Alarm>> reread = decodeAlarms(*encoded);
    check(reread.has_value(), "the encoder's own text does not decode");
    check(identical(*reread, *decoded), "the re-encoded list reads back different");
    check(*reread == *decoded, "the re-encoded list is not equal under Alarm's equality");
    check(encodeAlarms(*reread) == encoded, "the encoder's text is not a fixed point");
    return 0;
}
