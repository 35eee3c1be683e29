#include "runtime/calendar.h"
#include "runtime/datevalue.h"
#include "runtime/number.h"
#include "runtime/wildcard.h"
#include "testsupport.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace culler;

class tst_Runtime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wildcard_data();
    void wildcard();
    void wildcardOnBytes_data();
    void wildcardOnBytes();
    void stampBeyondTheCalendarHasNoDate();
    void zoneAskedForIsInEffect();
    void leadingNumber_data();
    void leadingNumber();
    void dateText_data();
    void dateText();
    void dateFromText_data();
    void dateFromText();
    void todayAndNowFollowTheClock();
    void timeTextHasSecondsAndNoZone();
};

void tst_Runtime::wildcard_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");

    QTest::newRow("extension") << "*.tmp"
                               << "report.tmp" << true;
    QTest::newRow("extension must end the name") << "*.tmp"
                                                 << "report.tmp.bak" << false;
    QTest::newRow("case counts") << "*.tmp"
                                 << "REPORT.TMP" << false;
    QTest::newRow("star matches nothing") << "*.tmp"
                                          << ".tmp" << true;
    QTest::newRow("name shorter than the extension") << "*.tmp"
                                                     << "tmp" << false;
    QTest::newRow("question is one character") << "?.tmp"
                                               << "ab.tmp" << false;
    QTest::newRow("question is not zero characters") << "a?.tmp"
                                                     << "a.tmp" << false;
    QTest::newRow("question takes a whole UTF-8 character") << "r?sum?.doc"
                                                            << "résumé.doc" << true;
    QTest::newRow("star dot star needs a dot") << "*.*"
                                               << "Makefile" << false;
    QTest::newRow("star alone takes anything") << "*"
                                               << "Makefile" << true;
    QTest::newRow("backtracking star") << "a*b*c"
                                       << "aXbYbZc" << true;
    QTest::newRow("last star cannot cover the tail") << "a*b"
                                                     << "aXbXc" << false;
    QTest::newRow("brackets are literal") << "[ab].log"
                                          << "[ab].log" << true;
    QTest::newRow("brackets match no set") << "[ab].log"
                                           << "a.log" << false;
    QTest::newRow("empty pattern, empty name") << ""
                                               << "" << true;
    QTest::newRow("empty pattern") << ""
                                   << "a" << false;
    QTest::newRow("separator never matches a name") << "sub/*.tmp"
                                                    << "x.tmp" << false;
    QTest::newRow("many stars, no match")
        << "*a*a*a*a*a*b" << QString(40, QLatin1Char('a')) << false;
}

void tst_Runtime::wildcard() {
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    const QByteArray bytes = name.toUtf8();
    QCOMPARE(
        Wildcard(pattern).matches(std::string_view(bytes.constData(), std::size_t(bytes.size()))),
        matches);
}

void tst_Runtime::wildcardOnBytes_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("matches");

    // Names are whatever bytes the file system holds; only valid UTF-8 sequences are taken whole.
    QTest::newRow("stray continuation byte is a character")
        << "?.tmp" << QByteArray("a\x80.tmp") << false;
    QTest::newRow("stray continuation byte, two characters")
        << "??.tmp" << QByteArray("a\x80.tmp") << true;
    QTest::newRow("lone continuation byte") << "?.tmp" << QByteArray("\x80.tmp") << true;
    QTest::newRow("Latin-1 byte") << "?.tmp" << QByteArray("\xE9.tmp") << true;
    QTest::newRow("UTF-8 character") << "?.tmp" << QByteArray("\xC3\xA9.tmp") << true;
    QTest::newRow("four-byte character") << "?" << QByteArray("\xF0\x9F\x98\x80") << true;
    QTest::newRow("lead byte cut short") << "?x" << QByteArray("\xC3x") << true;
    QTest::newRow("overlong form is three bytes")
        << "?.tmp" << QByteArray("\xE0\x80\x80.tmp") << false;
    QTest::newRow("overlong form, three characters")
        << "???.tmp" << QByteArray("\xE0\x80\x80.tmp") << true;
    QTest::newRow("surrogate is three bytes") << "?.tmp" << QByteArray("\xED\xA0\x80.tmp") << false;
    QTest::newRow("beyond U+10FFFF is four bytes")
        << "?" << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("star then stray byte") << "*?.tmp" << QByteArray("ab\x80.tmp") << true;
}

void tst_Runtime::wildcardOnBytes() {
    QFETCH(QString, pattern);
    QFETCH(QByteArray, name);
    QFETCH(bool, matches);
    QCOMPARE(
        Wildcard(pattern).matches(std::string_view(name.constData(), std::size_t(name.size()))),
        matches);
}

void tst_Runtime::stampBeyondTheCalendarHasNoDate() {
    // tmpfs keeps such stamps; no local calendar names their day, so they are no date at all.
    QCOMPARE(dateValueOfStamp(timespec{100'000'000'000'000'000LL, 0}), std::nullopt);
    QCOMPARE(dateValueOfStamp(timespec{-100'000'000'000'000'000LL, 0}), std::nullopt);
    const QDateTime noon(QDate(1999, 12, 6), QTime(12, 0));
    QCOMPARE(dateValueOfStamp(timespec{noon.toSecsSinceEpoch(), 0}), std::optional(36500.5));
}

void tst_Runtime::zoneAskedForIsInEffect() {
    // Without the zone's data the C library falls back to UTC without a word, and every run in a
    // zone with daylight saving would quietly be one more run in UTC.
    if (qgetenv("TZ") == "UTC")
        QSKIP("runs in UTC");
    const QDateTime winter(QDate(2000, 1, 15), QTime(12, 0));
    const QDateTime summer(QDate(2000, 7, 15), QTime(12, 0));
    QVERIFY2(winter.offsetFromUtc() != summer.offsetFromUtc(), qgetenv("TZ").constData());
}

void tst_Runtime::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("whole") << "20" << 20.0;
    QTest::newRow("fraction") << "1.5" << 1.5;
    QTest::newRow("leading blanks and trailing words") << "  7 days" << 7.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("plus") << "+4" << 4.0;
    QTest::newRow("fraction only") << ".5" << 0.5;
    QTest::newRow("trailing dot") << "5." << 5.0;
    QTest::newRow("lone dot") << "." << 0.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent without digits") << "2e" << 2.0;
    QTest::newRow("comma is not a decimal point") << "1,5" << 1.0;
    QTest::newRow("infinity is not a number") << "inf" << 0.0;
    QTest::newRow("sign without digits") << "-x" << 0.0;

    // Beyond a double's range: the size of the number decides, not the sign of its exponent.
    const double infinity = std::numeric_limits<double>::infinity();
    const QString zeros(400, QLatin1Char('0'));
    QTest::newRow("huge") << "1e400" << infinity;
    QTest::newRow("huge and negative") << "-1e400" << -infinity;
    QTest::newRow("tiny") << "1e-400" << 0.0;
    QTest::newRow("tiny without an exponent") << "0." + zeros + "1" << 0.0;
    QTest::newRow("huge despite a negative exponent") << "1" + zeros + "e-3" << infinity;
    QTest::newRow("tiny despite a positive exponent") << "0." + zeros + "1e5" << 0.0;
    QTest::newRow("in range only thanks to the exponent") << "1" + zeros + "e-399" << 10.0;
}

void tst_Runtime::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(culler::leadingNumber(text).value_or(0.0), value);
}

void tst_Runtime::dateText_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");

    QTest::newRow("twenty days before the example day") << QDate(1999, 11, 16) << "11/16/99";
    QTest::newRow("single digits") << QDate(2026, 1, 5) << "1/5/26";
    QTest::newRow("leap day of 2000") << QDate(2000, 2, 29) << "2/29/00";
    QTest::newRow("first year of two digits") << QDate(1950, 1, 1) << "1/1/50";
    QTest::newRow("last year of two digits") << QDate(2049, 12, 31) << "12/31/49";
    // Two digits would read back as another century: the year is written in full.
    QTest::newRow("year before the two-digit years") << QDate(1949, 12, 31) << "12/31/1949";
    QTest::newRow("year after the two-digit years") << QDate(2050, 1, 1) << "1/1/2050";
    QTest::newRow("day 0 of the count") << QDate(1899, 12, 30) << "12/30/1899";
    QTest::newRow("earliest date") << QDate(100, 1, 1) << "1/1/0100";
    QTest::newRow("latest date") << QDate(9999, 12, 31) << "12/31/9999";
}

void tst_Runtime::dateText() {
    QFETCH(QDate, date);
    QFETCH(QString, text);
    const test::FixedClock clock(test::exampleNow());
    const Calendar calendar(clock, test::testLocale());
    QCOMPARE(calendar.dateText(dateValueOf(date)), text);
    QCOMPARE(calendar.dateText(dateValueOf(date) + 0.99), text);
    // What the program writes, it reads back as the same day.
    QCOMPARE(calendar.dateFromText(text), std::optional<DateValue>(dateValueOf(date)));
}

void tst_Runtime::dateFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    QTest::newRow("short format") << "11/16/99" << QDate(1999, 11, 16);
    QTest::newRow("two-digit year 26 is 2026") << "12/7/26" << QDate(2026, 12, 7);
    QTest::newRow("two-digit year 49 is 2049") << "1/1/49" << QDate(2049, 1, 1);
    QTest::newRow("two-digit year 50 is 1950") << "1/1/50" << QDate(1950, 1, 1);
    QTest::newRow("four-digit year") << "1/1/1920" << QDate(1920, 1, 1);
    QTest::newRow("earliest date") << "1/1/0100" << QDate(100, 1, 1);
    QTest::newRow("before the earliest date") << "12/31/0099" << QDate();
    QTest::newRow("latest date") << "12/31/9999" << QDate(9999, 12, 31);
    QTest::newRow("blanks around") << " 11/16/99 " << QDate(1999, 11, 16);
    QTest::newRow("no such day") << "2/30/99" << QDate();
    // Qt reads two digits as 19yy first, and 1900 had no leap day.
    QTest::newRow("leap day of 2000") << "2/29/00" << QDate(2000, 2, 29);
    QTest::newRow("leap day of 2048") << "2/29/48" << QDate(2048, 2, 29);
    QTest::newRow("leap day of 1952") << "2/29/52" << QDate(1952, 2, 29);
    QTest::newRow("no leap day in 2001") << "2/29/01" << QDate();
    QTest::newRow("no leap day in 1900") << "2/29/1900" << QDate();
    QTest::newRow("day and month swapped") << "16/11/99" << QDate();
    QTest::newRow("placeholder") << "##/##/##" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void tst_Runtime::dateFromText() {
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const test::FixedClock clock(test::exampleNow());
    const Calendar calendar(clock, test::testLocale());
    const std::optional<DateValue> value = calendar.dateFromText(text);
    QCOMPARE(value.has_value(), date.isValid());
    if (value)
        QCOMPARE(calendarDayOf(*value), date);
}

void tst_Runtime::todayAndNowFollowTheClock() {
    test::FixedClock clock(test::exampleNow());
    const Calendar calendar(clock, test::testLocale());
    // 6 December 1999 is day 36500 of the count; 10:15 is 41/96 of a day.
    QCOMPARE(calendar.today(), 36500.0);
    QCOMPARE(calendar.now(), 36500.0 + 41.0 / 96.0);
    clock.set(QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    QCOMPARE(calendar.dateText(calendar.today()), QStringLiteral("12/7/26"));
}

void tst_Runtime::timeTextHasSecondsAndNoZone() {
    const test::FixedClock clock(test::exampleNow());
    const Calendar calendar(clock, test::testLocale());
    QString text = calendar.timeText(calendar.now() + 7.0 / 86400.0);
    // Newer locale data puts a narrow no-break space before AM; either blank reads the same.
    text.replace(QChar(0x202F), QLatin1Char(' '));
    QCOMPARE(text, QStringLiteral("10:15:07 AM"));
}

QTEST_GUILESS_MAIN(tst_Runtime)
#include "tst_runtime.moc"
