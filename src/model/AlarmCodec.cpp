#include "model/AlarmCodec.h"

#include <QStringDecoder>

#include <nlohmann/json.hpp>

#include <cctype>
#include <cmath>
#include <string_view>

namespace {

using Json = nlohmann::json;

// Only "8-4-4-4-12" hexadecimal digits: QUuid alone would also take braces.
bool isCanonicalUuidText(std::string_view text)
{
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-')
                return false;
        } else if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

enum class Member
{
    Id,
    FireDate,
    Label,
    RepeatsDaily,
    IsEnabled,
    IsSnooze,
    Other
};

Member memberForKey(std::string_view key)
{
    if (key == "id")
        return Member::Id;
    if (key == "fireDate")
        return Member::FireDate;
    if (key == "label")
        return Member::Label;
    if (key == "repeatsDaily")
        return Member::RepeatsDaily;
    if (key == "isEnabled")
        return Member::IsEnabled;
    if (key == "isSnooze")
        return Member::IsSnooze;
    return Member::Other;
}

// Reads the list straight from the parser's events, without building a JSON
// tree: the shape is checked as it streams past, a fault stops the parse at
// once, and deep nesting inside ignored members costs no recursion.
class AlarmListReader final : public nlohmann::json_sax<Json>
{
public:
    QList<Alarm> alarms;

    // A null is no value for any of our members, even one given twice.
    bool null() override { return scalar() && (depth != 2 || member == Member::Other); }
    bool boolean(bool value) override
    {
        if (!scalar())
            return false;
        if (depth != 2)
            return true;
        switch (member) {
        case Member::RepeatsDaily:
            repeatsDaily = value;
            return true;
        case Member::IsEnabled:
            isEnabled = value;
            return true;
        case Member::IsSnooze:
            isSnooze = value;
            return true;
        case Member::Other:
            return true;
        default:
            return false;
        }
    }
    bool number_integer(number_integer_t value) override
    {
        // Only a number with a minus sign comes here ("0" is unsigned), so a 0
        // can only be the text "-0": the moment written was -0.0.
        return number(value == 0 ? -0.0 : static_cast<double>(value));
    }
    bool number_unsigned(number_unsigned_t value) override
    {
        return number(static_cast<double>(value));
    }
    bool number_float(number_float_t value, const string_t & /*text*/) override
    {
        return number(value);
    }
    bool string(string_t &value) override
    {
        if (!scalar())
            return false;
        if (depth != 2)
            return true;
        switch (member) {
        case Member::Id: {
            if (!isCanonicalUuidText(value))
                return false;
            id = QUuid::fromString(QLatin1StringView(value.data(), qsizetype(value.size())));
            return true;
        }
        case Member::Label: {
            // fromUtf8() would drop a leading U+FEFF, and with it part of the label.
            QStringDecoder decoder(
                QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
            label = decoder.decode(QByteArrayView(value.data(), qsizetype(value.size())));
        }
            return true;
        case Member::Other:
            return true;
        default:
            return false;
        }
    }
    bool binary(binary_t & /*value*/) override { return false; }

    bool start_object(std::size_t /*elements*/) override
    {
        if (depth == 0)
            return false; // the top level must be an array
        if (depth == 1)
            beginElement();
        else if (depth == 2 && member != Member::Other)
            return false; // a known member holding an object
        ++depth;
        return true;
    }
    bool key(string_t &value) override
    {
        if (depth == 2)
            member = memberForKey(value);
        return true;
    }
    bool end_object() override
    {
        --depth;
        return depth != 1 || endElement();
    }
    bool start_array(std::size_t /*elements*/) override
    {
        if (depth == 1)
            return false; // an element must be an object
        if (depth == 2 && member != Member::Other)
            return false;
        ++depth;
        return true;
    }
    bool end_array() override
    {
        --depth;
        return true;
    }
    bool parse_error(std::size_t /*position*/, const std::string & /*token*/,
        const nlohmann::detail::exception & /*error*/) override
    {
        return false;
    }

private:
    // Open containers: 1 inside the top array, 2 inside an alarm object,
    // more inside the value of an ignored member.
    int depth = 0;
    Member member = Member::Other;
    std::optional<QUuid> id;
    std::optional<double> fireDate;
    std::optional<QString> label;
    std::optional<bool> repeatsDaily;
    std::optional<bool> isEnabled;
    std::optional<bool> isSnooze;

    // A scalar is only acceptable as the value of a member.
    bool scalar() const { return depth >= 2; }

    bool number(double value)
    {
        if (!scalar())
            return false;
        if (depth != 2 || member == Member::Other)
            return true;
        // The parser itself refuses a number too large for a double.
        if (member != Member::FireDate)
            return false;
        fireDate = value;
        return true;
    }

    void beginElement()
    {
        member = Member::Other;
        id.reset();
        fireDate.reset();
        label.reset();
        repeatsDaily.reset();
        isEnabled.reset();
        isSnooze.reset();
    }

    bool endElement()
    {
        if (!id || !fireDate || !label || !repeatsDaily || !isEnabled || !isSnooze)
            return false;
        alarms.append(Alarm { *id, *fireDate, *label, *repeatsDaily, *isEnabled, *isSnooze });
        return true;
    }
};

} // namespace

std::optional<QList<Alarm>> decodeAlarms(const QByteArray &bytes)
{
    // The parser takes a NUL byte between tokens for the end of the text and
    // would ignore whatever follows it. No JSON text holds a raw NUL (inside a
    // string it must be escaped), so a text with one is refused whole.
    if (bytes.contains('\0'))
        return std::nullopt;
    AlarmListReader reader;
    const bool ok = Json::sax_parse(
        bytes.cbegin(), bytes.cend(), &reader, Json::input_format_t::json, /*strict=*/true);
    if (!ok)
        return std::nullopt;
    return std::move(reader.alarms);
}

std::optional<QByteArray> encodeAlarms(const QList<Alarm> &alarms)
{
    Json list = Json::array();
    for (const Alarm &alarm : alarms) {
        if (!std::isfinite(alarm.fireDate))
            return std::nullopt;
        const QByteArray label = alarm.label.toUtf8();
        list.push_back(Json {
            { "id", uuidText(alarm.id).toStdString() },
            { "fireDate", alarm.fireDate },
            { "label", std::string(label.constData(), std::size_t(label.size())) },
            { "repeatsDaily", alarm.repeatsDaily },
            { "isEnabled", alarm.isEnabled },
            { "isSnooze", alarm.isSnooze },
        });
    }
    // Labels come from QString, so they are valid UTF-8 and dump() cannot throw.
    return QByteArray::fromStdString(list.dump());
}
