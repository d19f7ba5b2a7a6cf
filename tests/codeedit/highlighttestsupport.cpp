#include "highlighttestsupport.h"

#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditparserfactory.h"

#include <vector>

namespace {

constexpr ushort guard = 0xBEEF;
constexpr int guardUnits = 8;

void renderLine(const ushort *begin, const ushort *end, QString *out)
{
    int current = CodeEditParser::plainClass;
    for (const ushort *p = begin; p < end; ++p) {
        if (*p == CodeEditParser::switchCode) {
            const int next = *++p;
            EXPECT_LT(next, CodeEditParser::classCount) << "bad class in markup";
            EXPECT_NE(next, current) << "redundant switch to class " << next;
            current = next;
            *out += QLatin1Char('{') + QString::number(next) + QLatin1Char('}');
        } else if (*p == '{') {
            *out += QLatin1String("{{");
        } else {
            *out += QChar(*p);
        }
    }
}

} // namespace

QString highlight(CodeEditParser &parser, const QString &text)
{
    QString result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        std::vector<ushort> input(line.utf16(), line.utf16() + line.size() + 1);
        const int capacity = CodeEditParser::outputCapacity(line.size());
        std::vector<ushort> output(size_t(capacity + guardUnits), guard);
        const ushort *end = parser.parse(input.data(), output.data());
        const ushort *limit = output.data() + capacity;
        EXPECT_TRUE(end > output.data() && end <= limit) << "line " << i;
        if (end <= output.data() || end > limit)
            return result;
        EXPECT_EQ(end[-1], 0) << "line " << i << " not terminated where parse says";
        for (int g = 0; g < guardUnits; ++g)
            EXPECT_EQ(limit[g], guard) << "line " << i << " overran its buffer";
        if (i > 0)
            result += QLatin1Char('\n');
        renderLine(output.data(), end - 1, &result);
    }
    return result;
}

QString highlight(const QString &language, const QString &text)
{
    const auto parser = CodeEditParserFactory::create(language);
    if (!parser) {
        ADD_FAILURE() << "no parser for " << language.toStdString();
        return QString();
    }
    return highlight(*parser, text);
}
