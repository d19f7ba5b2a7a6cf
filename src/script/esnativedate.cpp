// Date: a time value is milliseconds since 1970-01-01 00:00 UTC, NaN when invalid. The
// calendar arithmetic is the proleptic Gregorian one over whole days; the local time
// zone (the process's, TZ) comes from QDateTime, and so do the texts (Qt::TextDate).

#include "esnatives.h"
#include "esnatives_p.h"

#include "escontext.h"
#include "esobject.h"

#include <QDateTime>

#include <cmath>

namespace {

enum DateIndex {
    DateConstructor = 0,
    DateToString, ToDateString, ToTimeString, ToLocaleString, ToLocaleDateString,
    ToLocaleTimeString, ValueOf, GetTime, GetFullYear, GetUTCFullYear, GetMonth, GetUTCMonth,
    GetDate, GetUTCDate, GetDay, GetUTCDay, GetHours, GetUTCHours, GetMinutes, GetUTCMinutes,
    GetSeconds, GetUTCSeconds, GetMilliseconds, GetUTCMilliseconds, GetTimezoneOffset,
    SetTime, SetMilliseconds, SetUTCMilliseconds, SetSeconds, SetUTCSeconds, SetMinutes,
    SetUTCMinutes, SetHours, SetUTCHours, SetDate, SetUTCDate, SetMonth, SetUTCMonth,
    SetFullYear, SetUTCFullYear, ToUTCString,
};

constexpr double msPerDay = 86400000.0;
constexpr double msPerHour = 3600000.0;
constexpr double msPerMinute = 60000.0;
constexpr double msPerSecond = 1000.0;

// The broken-down form of a time value.
struct Fields
{
    double year, month, date, hours, minutes, seconds, milliseconds;  // month 0-11
};

double modulo(double a, double b)
{
    const double r = std::fmod(a, b);
    return r < 0 ? r + b : r;
}

// Days from 1970-01-01 to the first of `month` (0-11, any value: it carries into the
// year) of `year`, plus date - 1; NaN when a part is not finite.
double makeDay(double year, double month, double date)
{
    if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(date))
        return ESValue::NaN;
    double y = std::trunc(year) + std::floor(std::trunc(month) / 12);
    const double m = modulo(std::trunc(month), 12) + 1;  // 1-12
    // Days from civil, with March as the first month of the year.
    y -= m <= 2 ? 1 : 0;
    const double era = std::floor(y / 400);
    const double yearOfEra = y - era * 400;
    const double monthFromMarch = m > 2 ? m - 3 : m + 9;
    const double dayOfYear = std::floor((153 * monthFromMarch + 2) / 5);
    const double dayOfEra = yearOfEra * 365 + std::floor(yearOfEra / 4)
                            - std::floor(yearOfEra / 100) + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + std::trunc(date) - 1;
}

double makeTime(double hours, double minutes, double seconds, double milliseconds)
{
    if (!std::isfinite(hours) || !std::isfinite(minutes) || !std::isfinite(seconds)
        || !std::isfinite(milliseconds))
        return ESValue::NaN;
    return std::trunc(hours) * msPerHour + std::trunc(minutes) * msPerMinute
           + std::trunc(seconds) * msPerSecond + std::trunc(milliseconds);
}

// A time value beyond 100,000,000 days either side of 1970 is invalid.
double timeClip(double time)
{
    if (!std::isfinite(time) || std::fabs(time) > 8.64e15)
        return ESValue::NaN;
    return std::trunc(time) + 0.0;  // no negative zero
}

double makeDate(const Fields &f)
{
    return makeDay(f.year, f.month, f.date) * msPerDay
           + makeTime(f.hours, f.minutes, f.seconds, f.milliseconds);
}

Fields fieldsOf(double time)
{
    const double days = std::floor(time / msPerDay);
    const double within = time - days * msPerDay;
    // Civil from days.
    const double z = days + 719468;
    const double era = std::floor(z / 146097);
    const double dayOfEra = z - era * 146097;
    const double yearOfEra = std::floor((dayOfEra - std::floor(dayOfEra / 1460)
                                         + std::floor(dayOfEra / 36524)
                                         - std::floor(dayOfEra / 146096)) / 365);
    const double dayOfYear = dayOfEra - (365 * yearOfEra + std::floor(yearOfEra / 4)
                                         - std::floor(yearOfEra / 100));
    const double monthFromMarch = std::floor((5 * dayOfYear + 2) / 153);
    const double date = dayOfYear - std::floor((153 * monthFromMarch + 2) / 5) + 1;
    const double month = monthFromMarch < 10 ? monthFromMarch + 2 : monthFromMarch - 10;
    const double year = yearOfEra + era * 400 + (month <= 1 ? 1 : 0);
    return {year,
            month,
            date,
            std::floor(within / msPerHour),
            modulo(std::floor(within / msPerMinute), 60),
            modulo(std::floor(within / msPerSecond), 60),
            modulo(within, msPerSecond)};
}

// The zone's offset from UTC, in milliseconds, at the UTC time `time`.
double localOffset(double time)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(qint64(time), Qt::UTC);
    return utc.toLocalTime().offsetFromUtc() * msPerSecond;
}

double localTime(double time)
{
    return time + localOffset(time);
}

// The UTC time of a local time: the offset is the one in force at that moment.
double utcTime(double local)
{
    if (!std::isfinite(local))
        return local;
    return local - localOffset(local - localOffset(local));
}

QDateTime asQDateTime(double time, bool local)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(time), local ? Qt::LocalTime : Qt::UTC);
}

// The current local wall-clock time, read as if it were UTC.
double currentLocalFieldsAsUtc()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return makeDay(date.year(), date.month() - 1, date.day()) * msPerDay
           + time.hour() * msPerHour + time.minute() * msPerMinute
           + time.second() * msPerSecond + time.msec();
}

// new Date(value): a number is a time value, a text is read as a Qt text date, an ISO
// 8601 date or an RFC 2822 date; new Date(year, month[, date, hours, minutes, seconds,
// ms]) is a local time, years 0 to 99 meaning 1900 to 1999.
double timeFromArguments(ESContext *cx, int passed, const ESValue *argv)
{
    if (passed == 0)
        return currentLocalFieldsAsUtc();
    if (passed == 1) {
        const ESValue value = cx->toPrimitive(argv[0], ESHint::Default);
        if (!value.isString())
            return timeClip(cx->toNumber(value));
        const QString text = value.text().trimmed();
        for (Qt::DateFormat format : {Qt::TextDate, Qt::ISODateWithMs, Qt::RFC2822Date}) {
            const QDateTime parsed = QDateTime::fromString(text, format);
            if (parsed.isValid())
                return timeClip(double(parsed.toMSecsSinceEpoch()));
        }
        return ESValue::NaN;
    }
    double parts[7] = {0, 0, 1, 0, 0, 0, 0};
    for (int i = 0; i < passed && i < 7; ++i)
        parts[i] = cx->toNumber(argv[i]);
    const double year = parts[0];
    if (std::isfinite(year) && std::trunc(year) >= 0 && std::trunc(year) <= 99)
        parts[0] = 1900 + std::trunc(year);
    const Fields fields{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]};
    return timeClip(utcTime(makeDate(fields)));
}

QString dateText(double time, int index)
{
    if (std::isnan(time))
        return QStringLiteral("Invalid Date");
    switch (index) {
    case ToUTCString:
        return asQDateTime(time, false).toString(Qt::TextDate);
    case ToDateString: case ToLocaleDateString:
        return asQDateTime(time, true).date().toString(Qt::TextDate);
    case ToTimeString: case ToLocaleTimeString:
        return asQDateTime(time, true).time().toString(Qt::TextDate);
    default:
        return asQDateTime(time, true).toString(Qt::TextDate);
    }
}

// The getters come in local and UTC pairs, local first.
double field(double time, int index)
{
    if (std::isnan(time))
        return ESValue::NaN;
    const bool utc = (index - GetFullYear) % 2 == 1;
    const double t = utc ? time : localTime(time);
    const Fields f = fieldsOf(t);
    switch (utc ? index - 1 : index) {
    case GetFullYear: return f.year;
    case GetMonth: return f.month;
    case GetDate: return f.date;
    case GetDay: return modulo(std::floor(t / msPerDay) + 4, 7);
    case GetHours: return f.hours;
    case GetMinutes: return f.minutes;
    case GetSeconds: return f.seconds;
    default: return f.milliseconds;
    }
}

// The setters: the arguments replace fields from `first` on (first = 0 is the year,
// 6 the milliseconds), as many as were passed up to `most`; the rest keep their values.
double setFields(ESContext *cx, double time, bool utc, int first, int most, int passed,
                 const ESValue *argv)
{
    if (std::isnan(time) && first != 0)
        return ESValue::NaN;
    const double t = std::isnan(time) ? 0 : utc ? time : localTime(time);
    Fields f = fieldsOf(t);
    double *slots[7] = {&f.year, &f.month, &f.date, &f.hours, &f.minutes, &f.seconds,
                        &f.milliseconds};
    const int count = std::max(1, std::min(passed, most));
    for (int i = 0; i < count; ++i)
        *slots[first + i] = cx->toNumber(argv[i]);
    const double result = makeDate(f);
    return timeClip(utc ? result : utcTime(result));
}

} // namespace

void ESNativeDate::addMembers(ESContext *cx)
{
    esInstallConstructor(cx, this, "Date", 1, cx->datePrototype());
    esDefineMethods(cx, cx->datePrototype(), this, "Date.prototype.", {
        {"toString", 0, DateToString}, {"toDateString", 0, ToDateString},
        {"toTimeString", 0, ToTimeString}, {"toLocaleString", 0, ToLocaleString},
        {"toLocaleDateString", 0, ToLocaleDateString},
        {"toLocaleTimeString", 0, ToLocaleTimeString}, {"valueOf", 0, ValueOf},
        {"getTime", 0, GetTime}, {"getFullYear", 0, GetFullYear},
        {"getUTCFullYear", 0, GetUTCFullYear}, {"getMonth", 0, GetMonth},
        {"getUTCMonth", 0, GetUTCMonth}, {"getDate", 0, GetDate},
        {"getUTCDate", 0, GetUTCDate}, {"getDay", 0, GetDay}, {"getUTCDay", 0, GetUTCDay},
        {"getHours", 0, GetHours}, {"getUTCHours", 0, GetUTCHours},
        {"getMinutes", 0, GetMinutes}, {"getUTCMinutes", 0, GetUTCMinutes},
        {"getSeconds", 0, GetSeconds}, {"getUTCSeconds", 0, GetUTCSeconds},
        {"getMilliseconds", 0, GetMilliseconds},
        {"getUTCMilliseconds", 0, GetUTCMilliseconds},
        {"getTimezoneOffset", 0, GetTimezoneOffset}, {"setTime", 1, SetTime},
        {"setMilliseconds", 1, SetMilliseconds}, {"setUTCMilliseconds", 1, SetUTCMilliseconds},
        {"setSeconds", 2, SetSeconds}, {"setUTCSeconds", 2, SetUTCSeconds},
        {"setMinutes", 2, SetMinutes}, {"setUTCMinutes", 3, SetUTCMinutes},
        {"setHours", 4, SetHours}, {"setUTCHours", 4, SetUTCHours}, {"setDate", 1, SetDate},
        {"setUTCDate", 1, SetUTCDate}, {"setMonth", 2, SetMonth},
        {"setUTCMonth", 2, SetUTCMonth}, {"setFullYear", 3, SetFullYear},
        {"setUTCFullYear", 3, SetUTCFullYear}, {"toUTCString", 0, ToUTCString}});
}

void ESNativeDate::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int,
                        ESValue *argv, ESValue *result)
{
    const int index = function->builtinIndex;
    const int passed = cx->passedArgumentCount();
    if (index == DateConstructor) {
        // Date() as a function: the current time as text.
        *result = esText(dateText(currentLocalFieldsAsUtc(), DateToString));
        return;
    }
    if (index < DateToString || index > ToUTCString)
        esBadSignature(cx);
    if (!thisValue.isObject() || thisValue.object->esClass != this)
        cx->throwTypeError(QStringLiteral("Date object required"));
    ESValue &timeValue = thisValue.object->value;
    const double time = timeValue.isNumber() ? timeValue.number : ESValue::NaN;
    switch (index) {
    case DateToString: case ToDateString: case ToTimeString: case ToLocaleString:
    case ToLocaleDateString: case ToLocaleTimeString: case ToUTCString:
        *result = esText(dateText(time, index));
        return;
    case ValueOf: case GetTime:
        *result = esNumber(time);
        return;
    case GetTimezoneOffset:
        *result = esNumber(std::isnan(time) ? time : (time - localTime(time)) / msPerMinute);
        return;
    default:
        break;
    }
    if (index < SetTime) {
        *result = esNumber(field(time, index));
        return;
    }
    double updated = ESValue::NaN;
    switch (index) {
    case SetTime: updated = timeClip(cx->toNumber(argv[0])); break;
    case SetMilliseconds: updated = setFields(cx, time, false, 6, 1, passed, argv); break;
    case SetUTCMilliseconds: updated = setFields(cx, time, true, 6, 1, passed, argv); break;
    case SetSeconds: updated = setFields(cx, time, false, 5, 2, passed, argv); break;
    case SetUTCSeconds: updated = setFields(cx, time, true, 5, 2, passed, argv); break;
    case SetMinutes: updated = setFields(cx, time, false, 4, 3, passed, argv); break;
    case SetUTCMinutes: updated = setFields(cx, time, true, 4, 3, passed, argv); break;
    case SetHours: updated = setFields(cx, time, false, 3, 4, passed, argv); break;
    case SetUTCHours: updated = setFields(cx, time, true, 3, 4, passed, argv); break;
    case SetDate: updated = setFields(cx, time, false, 2, 1, passed, argv); break;
    case SetUTCDate: updated = setFields(cx, time, true, 2, 1, passed, argv); break;
    case SetMonth: updated = setFields(cx, time, false, 1, 2, passed, argv); break;
    case SetUTCMonth: updated = setFields(cx, time, true, 1, 2, passed, argv); break;
    case SetFullYear: updated = setFields(cx, time, false, 0, 3, passed, argv); break;
    case SetUTCFullYear: updated = setFields(cx, time, true, 0, 3, passed, argv); break;
    default: break;
    }
    timeValue = esNumber(updated);
    *result = timeValue;
}

// With arguments the time comes from them; without, it is the local wall-clock time
// read as UTC.
ESObject *ESNativeDate::construct(ESContext *cx, ESObject *function, int, ESValue *argv)
{
    if (function->builtinIndex != DateConstructor)
        esBadSignature(cx, true);
    const double time = timeFromArguments(cx, cx->passedArgumentCount(), argv);
    ESObject *date = cx->newObject(cx->datePrototype(), this);
    date->value = esNumber(time);
    return date;
}
