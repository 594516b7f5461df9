// The link to fldigi: the XML-RPC text both ways, and the link itself
// against a fake fldigi on a loopback port (fields in, call and keys out,
// keyboard RTTY, fldigi going away and coming back).
#include "FakeFldigi.h"
#include "core/Clock.h"
#include "keying/RttyLink.h"
#include "keying/XmlRpc.h"
#include "log/KeyDispatch.h"

#include <QtTest>

using namespace zelq;
using zelq::test::FakeFldigi;

namespace {

// The log window as the link sees it: three fields and a status line.
struct Window {
    QString mode = QStringLiteral("RY");
    QString call, name, spc, status;
    StatusColour colour = StatusColour::Normal;
    QStringList setByLink; // every value the link put into a field
    QList<bool> changes;

    void attach(RttyLink& link)
    {
        link.mode = [this] { return mode; };
        link.callText = [this] { return call; };
        link.setField = [this, &link](EntryField f, const QString& t) {
            setByLink << t;
            if (f == EntryField::Call) {
                call = t;
                link.callChanged(); // the field's change reaches the link as typing does
            } else if (f == EntryField::Name) {
                name = t;
            } else {
                spc = t;
            }
        };
        link.showStatus = [this](const QString& t, StatusColour c) {
            status = t;
            colour = c;
        };
        link.linkChanged = [this](bool up) { changes << up; };
    }
    void type(RttyLink& link, const QString& text)
    {
        for (QChar c : text) {
            call += c;
            link.callChanged();
        }
    }
};

KeyStroke fkey(int n)
{
    KeyStroke k;
    k.key = Qt::Key_F1 + n - 1;
    return k;
}

KeyStroke letter(char c)
{
    KeyStroke k;
    k.key = Qt::Key_A + (QChar::fromLatin1(c).toUpper().unicode() - 'A');
    k.ch = QChar::fromLatin1(c);
    return k;
}

} // namespace

class TestRttyLink : public QObject {
    Q_OBJECT

    SystemClock clock;

    bool connectNow(RttyLink& link, FakeFldigi& fake)
    {
        std::optional<bool> answer;
        link.ConnectWithTYRM(QStringLiteral("127.0.0.1"), fake.port(), [&](bool ok) { answer = ok; });
        if (!QTest::qWaitFor([&] { return answer.has_value(); }, 3000))
            return false;
        return *answer;
    }

private slots:
    // ---- the XML-RPC text ----

    void methodCallCarriesEscapedParameters()
    {
        const QByteArray xml = encodeMethodCall(QStringLiteral("log.set_call"),
                                                {QStringLiteral("A<&>B"), 9, true});
        QVERIFY(xml.contains("<methodName>log.set_call</methodName>"));
        QVERIFY(xml.contains("<value><string>A&lt;&amp;&gt;B</string></value>"));
        QVERIFY(xml.contains("<value><int>9</int></value>"));
        QVERIFY(xml.contains("<value><boolean>1</boolean></value>"));
        const XmlRpcCall back = decodeMethodCall(xml);
        QVERIFY(back.ok);
        QCOMPARE(back.params, (QVariantList{QStringLiteral("A<&>B"), 9LL, true}));
    }

    void methodResponses_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("error");
        QTest::newRow("untyped string, as fldigi sends it")
            << QByteArray("<?xml version=\"1.0\"?>\r\n<methodResponse><params><param>\r\n\t<value>w1aw</value>"
                          "\r\n</param></params></methodResponse>\r\n")
            << true << QVariant(QStringLiteral("w1aw")) << QString();
        QTest::newRow("empty untyped string")
            << QByteArray("<methodResponse><params><param><value></value></param></params></methodResponse>")
            << true << QVariant(QString()) << QString();
        QTest::newRow("typed string with entities")
            << QByteArray("<methodResponse><params><param><value><string>O&apos;B &amp; CO</string></value>"
                          "</param></params></methodResponse>")
            << true << QVariant(QStringLiteral("O'B & CO")) << QString();
        QTest::newRow("i4") << QByteArray("<methodResponse><params><param><value><i4>-3</i4></value>"
                                          "</param></params></methodResponse>")
                            << true << QVariant(-3LL) << QString();
        QTest::newRow("void") << QByteArray("<methodResponse><params></params></methodResponse>") << true
                              << QVariant() << QString();
        QTest::newRow("fault")
            << QByteArray("<methodResponse><fault><value><struct><member><name>faultCode</name><value><i4>-1"
                          "</i4></value></member><member><name>faultString</name><value>No such method"
                          "</value></member></struct></value></fault></methodResponse>")
            << false << QVariant() << QStringLiteral("No such method");
        QTest::newRow("garbage") << QByteArray("HTTP/1.1 500 oops") << false << QVariant()
                                 << QStringLiteral("not an XML-RPC response");
        QTest::newRow("bad int") << QByteArray("<methodResponse><params><param><value><i4>x</i4></value>"
                                               "</param></params></methodResponse>")
                                 << false << QVariant() << QStringLiteral("unreadable XML-RPC value");
    }

    void methodResponses()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, ok);
        QFETCH(QVariant, value);
        QFETCH(QString, error);
        const XmlRpcResult r = decodeMethodResponse(xml);
        QCOMPARE(r.ok, ok);
        QCOMPARE(r.error, error);
        if (ok)
            QCOMPARE(r.value, value);
    }

    void httpRepliesAreWholeOnlyWithTheirWholeBody()
    {
        const QByteArray reply = "HTTP/1.1 200 OK\r\nServer: XMLRPC++ 0.8\r\nContent-length: 5\r\n\r\nhello";
        for (int cut = 0; cut < reply.size(); ++cut)
            QCOMPARE(parseHttpReply(reply.left(cut), false).state, HttpReply::State::Incomplete);
        const HttpReply whole = parseHttpReply(reply + "trailing", false);
        QCOMPARE(whole.state, HttpReply::State::Complete);
        QCOMPARE(whole.status, 200);
        QCOMPARE(whole.body, QByteArray("hello"));
        QCOMPARE(parseHttpReply(reply.left(reply.size() - 1), true).state, HttpReply::State::Bad);
        QCOMPARE(parseHttpReply("HTTP/1.0 200 OK\r\n\r\nbody", true).body, QByteArray("body"));
        QCOMPARE(parseHttpReply("SSH-2.0-OpenSSH\r\n\r\n", false).state, HttpReply::State::Bad);
        QCOMPARE(parseHttpReply("HTTP/1.1 200 OK\r\nContent-Length: -4\r\n\r\n", false).state,
                 HttpReply::State::Bad);
    }

    void keyCodesAndMacros()
    {
        QCOMPARE(RttyLink::linkKeyCode(Qt::Key_F1), 112);
        QCOMPARE(RttyLink::linkKeyCode(Qt::Key_F10), 124);
        QCOMPARE(RttyLink::linkKeyCode(Qt::Key_F12), 123);
        QCOMPARE(RttyLink::linkKeyCode(Qt::Key_A), 0);
        QCOMPARE(RttyLink::macroForKeyCode(112), 0);
        QCOMPARE(RttyLink::macroForKeyCode(120), 8);
        QCOMPARE(RttyLink::macroForKeyCode(121), -1); // F10 never arrives as 121
        QCOMPARE(RttyLink::macroForKeyCode(124), 9);
        QCOMPARE(RttyLink::macroForKeyCode(122), 10);
        QCOMPARE(RttyLink::macroForKeyCode(123), -1);
        QCOMPARE(RttyLink::cleanIncoming(QStringLiteral(" w1\"aw/p "), true), QStringLiteral("W1AW/P"));
        QCOMPARE(RttyLink::cleanIncoming(QStringLiteral("o'brien jr\n"), false), QStringLiteral("OBRIEN JR"));
    }

    // ---- the link against the fake fldigi ----

    void connectingNeedsAnAnswerFromFldigi()
    {
        FakeFldigi fake;
        fake.stop();
        RttyLink link(clock);
        Window w;
        w.attach(link);
        QVERIFY(!connectNow(link, fake));
        QCOMPARE(link.TYRMLinked, 0);

        // A fldigi that takes the connection but never answers fails too,
        // within the time limit.
        QVERIFY(fake.start());
        fake.hung = true;
        QElapsedTimer t;
        t.start();
        QVERIFY(!connectNow(link, fake));
        QVERIFY(t.elapsed() < 2500);
        fake.hung = false;
        QVERIFY(connectNow(link, fake));
        QCOMPARE(link.TYRMLinked, 1);
    }

    void fieldsClickedInFldigiArriveUpperCasedAndOnlyWhenChanged()
    {
        FakeFldigi fake;
        RttyLink link(clock);
        link.pollMs = 20;
        Window w;
        w.attach(link);
        QVERIFY(connectNow(link, fake));
        fake.call = QStringLiteral("ve3xyz");
        fake.name = QStringLiteral("pierre");
        fake.country = QStringLiteral("Canada"); // fldigi's own, never the S/P/C
        fake.province = QStringLiteral("on");
        QTRY_COMPARE(w.call, QStringLiteral("VE3XYZ"));
        QTRY_COMPARE(w.name, QStringLiteral("PIERRE"));
        QTRY_COMPARE(w.spc, QStringLiteral("ON"));
        QCOMPARE(link.item(QStringLiteral("txtSField4")), QStringLiteral("pierre"));

        // The operator overtypes the name; fldigi still shows the old one,
        // which is not news, so it stays overtyped.
        w.name = QStringLiteral("PETE");
        const int polls = fake.countOf(QStringLiteral("log.get_name"));
        QTRY_VERIFY(fake.countOf(QStringLiteral("log.get_name")) > polls + 3);
        QCOMPARE(w.name, QStringLiteral("PETE"));

        // State wins over province; the exchange only when both are empty.
        fake.state = QStringLiteral("me");
        QTRY_COMPARE(w.spc, QStringLiteral("ME"));
        fake.state.clear();
        fake.province.clear();
        fake.exchange = QStringLiteral("599 nh");
        QTRY_COMPARE(w.spc, QStringLiteral("599 NH"));
        QVERIFY(!w.setByLink.contains(QStringLiteral("CANADA")));
    }

    void callTypedGoesToFldigiAtEveryChangeAndItsEchoIsIgnored()
    {
        FakeFldigi fake;
        fake.applyDelayMs = 300; // fldigi applies a set late
        RttyLink link(clock);
        link.pollMs = 20;
        Window w;
        w.attach(link);
        QVERIFY(connectNow(link, fake));
        QTRY_VERIFY(fake.countOf(QStringLiteral("log.get_call")) > 0);

        w.type(link, QStringLiteral("W1"));
        QTRY_COMPARE(fake.setCalls(), (QStringList{QStringLiteral("W"), QStringLiteral("W1")}));
        QTRY_COMPARE(fake.call, QStringLiteral("W1"));

        // The operator types on and takes characters back while fldigi is
        // still applying the earlier values: none of them come back.
        w.type(link, QStringLiteral("AWX"));
        w.call.chop(2);
        link.callChanged();
        QTRY_COMPARE(fake.call, QStringLiteral("W1A"));
        QTest::qWait(300);
        QCOMPARE(w.call, QStringLiteral("W1A"));
        QVERIFY2(w.setByLink.isEmpty(), qPrintable(w.setByLink.join(u',')));
        QCOMPARE(fake.country, QStringLiteral("United States"));
        QVERIFY(w.spc.isEmpty());
    }

    void noLinkTrafficInCwOrPhone()
    {
        FakeFldigi fake;
        RttyLink link(clock);
        link.pollMs = 20;
        link.retryMs = 50;
        Window w;
        w.attach(link);
        QVERIFY(connectNow(link, fake));
        QTRY_VERIFY(fake.countOf(QStringLiteral("log.get_call")) > 1);
        for (const char* mode : {"CW", "PH"}) {
            w.mode = QString::fromLatin1(mode);
            QTest::qWait(100); // a poll under way ends
            const int before = int(fake.calls.size());
            w.type(link, QStringLiteral("K1"));
            for (int n = 1; n <= 12; ++n)
                QVERIFY(!link.keyDownStep(fkey(n)));
            QVERIFY(!link.characterStep(letter('e')));
            fake.call = QStringLiteral("n0call");
            QTest::qWait(300);
            QCOMPARE(int(fake.calls.size()), before);
            QCOMPARE(w.call, QStringLiteral("K1"));
            w.call.clear();
            fake.call.clear();
        }
    }

    void functionKeysRunMacrosAndF12SwitchesKeyboardRtty()
    {
        FakeFldigi fake;
        RttyLink link(clock);
        link.pollMs = 20;
        Window w;
        w.attach(link);
        QVERIFY(connectNow(link, fake));
        for (int n = 1; n <= 11; ++n)
            QVERIFY(link.keyDownStep(fkey(n)));
        QTRY_COMPARE(fake.macrosRun, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        QCOMPARE(link.item(QStringLiteral("txtBField8")), QStringLiteral("122"));

        QVERIFY(link.keyDownStep(fkey(12)));
        QVERIFY(link.KeyboardRTTYMode);
        QCOMPARE(w.status, RttyLink::KeyboardOnText);
        QCOMPARE(w.colour, StatusColour::KeyboardMode);
        QTRY_VERIFY(fake.countOf(QStringLiteral("main.get_trx_state")) > 0);
        for (char c : {'c', 'q', ' ', 't', 'e', 's', 't'})
            QVERIFY(link.characterStep(letter(c)));
        KeyStroke enter;
        enter.key = Qt::Key_Return;
        enter.ch = KeyStroke::Enter;
        QVERIFY(link.characterStep(enter));
        QTRY_COMPARE(fake.txText, QStringLiteral("CQ TEST\n"));
        QCOMPARE(fake.countOf(QStringLiteral("main.tx")), 1); // the first character starts sending
        QVERIFY(w.call.isEmpty());

        QVERIFY(link.keyDownStep(fkey(12)));
        QVERIFY(!link.KeyboardRTTYMode);
        QVERIFY(w.status.isEmpty());
        QCOMPARE(w.colour, StatusColour::Normal);
        QVERIFY(!link.characterStep(letter('k')));
    }

    void fldigiStoppedAndStartedAgainIsLinkedWithoutTheOperator()
    {
        FakeFldigi fake;
        RttyLink link(clock);
        link.pollMs = 20;
        link.retryMs = 200;
        Window w;
        w.attach(link);
        QVERIFY(connectNow(link, fake));
        w.type(link, QStringLiteral("DL1ABC"));
        QTRY_COMPARE(fake.call, QStringLiteral("DL1ABC"));
        QVERIFY(link.keyDownStep(fkey(12)));

        fake.stop();
        QTRY_COMPARE(link.TYRMLinked, 0);
        QCOMPARE(w.changes, QList<bool>{false});
        QVERIFY(!link.KeyboardRTTYMode); // typing reaches the fields again
        QVERIFY(!link.keyDownStep(fkey(1)));

        // fldigi comes back empty: the call being worked goes to it again.
        QVERIFY(fake.start());
        fake.call.clear();
        QTRY_COMPARE(link.TYRMLinked, 1);
        QCOMPARE(w.changes, (QList<bool>{false, true}));
        QTRY_COMPARE(fake.call, QStringLiteral("DL1ABC"));
        QCOMPARE(w.call, QStringLiteral("DL1ABC"));
    }

    void aThousandCallsTypedLeaveNoCorruptedCall()
    {
        FakeFldigi fake;
        fake.applyDelayMs = 25;
        RttyLink link(clock);
        link.pollMs = 5;
        Window w;
        w.attach(link);
        QVERIFY(connectNow(link, fake));
        QStringList typed;
        for (int i = 0; i < 1000; ++i) {
            const QString call = QStringLiteral("K%1X%2").arg(i % 10).arg(QChar(u'A' + i % 26));
            w.call.clear();
            link.callChanged();
            for (QChar c : call) {
                w.call += c;
                link.callChanged();
                if (i % 7 == 0)
                    QCoreApplication::processEvents();
            }
            typed << call;
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(fake.call, typed.last(), 60000);
        QTest::qWait(1200);
        QCOMPARE(w.call, typed.last());
        for (const QString& v : std::as_const(w.setByLink))
            QVERIFY2(typed.contains(v), qPrintable(v));
    }
};

QTEST_GUILESS_MAIN(TestRttyLink)
#include "tst_rtty_link.moc"
