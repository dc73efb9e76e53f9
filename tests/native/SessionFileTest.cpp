#include "session/Session.h"

#include "tests/native/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace vesko {

void PrintTo(const SessionWindow& window, std::ostream* out) {
    *out << "{engine " << static_cast<int>(window.engine) << ", \"" << Utf8(window.caption) << "\", \""
         << Utf8(window.address) << "\", show " << static_cast<int>(window.show) << ", (" << window.rect.left << ", "
         << window.rect.top << ")-(" << window.rect.right << ", " << window.rect.bottom << ")}";
}

namespace {

SessionWindow Window(SessionEngine engine, std::u16string caption, std::u16string address, WindowShow show,
                     WindowRect rect) {
    SessionWindow window;
    window.engine = engine;
    window.caption = std::move(caption);
    window.address = std::move(address);
    window.show = show;
    window.rect = rect;
    return window;
}

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

SessionWindow Named(std::u16string caption) {
    return Window(SessionEngine::IE, std::move(caption), u"", WindowShow::Normal, {});
}

void ExpectSameSession(const Session& expected, const Session& actual) {
    EXPECT_EQ(expected.windows, actual.windows);
    EXPECT_EQ(expected.active, actual.active);
    EXPECT_EQ(expected.closed, actual.closed);
    EXPECT_EQ(expected.running, actual.running);
}

void ExpectRefused(const std::string& bytes, bool atPlace) {
    try {
        ReadSessionFile(bytes);
        ADD_FAILURE() << "read: " << bytes;
    } catch (const SessionFileError& error) {
        EXPECT_FALSE(error.Message().empty());
        EXPECT_EQ(atPlace, error.Line() != 0) << Utf8(error.Message());
        EXPECT_EQ(atPlace, error.Column() != 0) << Utf8(error.Message());
    }
}

std::string InSession(const std::string& children) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<session version=\"1\">\n" + children + "</session>\n";
}

TEST(SessionFileTest, ReadsBackWhatWasWritten) {
    Session session;
    session.windows = {
        Window(SessionEngine::IE, u"社内ポータル - トップ", u"http://intra.example.co.jp/", WindowShow::Normal,
               {0, 0, 640, 480}),
        Window(SessionEngine::Gecko, u"😀 한국어 Café <b>&amp; \"quoted\" 'x'</b>",
               u"https://example.com/?a=1&b=<2>#\"frag\"", WindowShow::Maximized, {-120, -40, 500, 300}),
        Window(SessionEngine::IE, u"", u"", WindowShow::Minimized, {10, 20, 30, 40}),
        Window(SessionEngine::Gecko, u"  spaces\taround\r\nlines  ", u"about:blank", WindowShow::Normal,
               {-2147483647 - 1, -5, 2147483647, 0}),
    };
    session.active = 1;
    session.closed = {Window(SessionEngine::Gecko, u"閉じたページ", u"https://閉じた.example/パス", WindowShow::Maximized,
                             {1, 2, 3, 4}),
                      Named(u"  ")};
    session.running = true;
    ExpectSameSession(session, ReadSessionFile(WriteSessionFile(session)));

    session.running = false;
    session.active.reset();
    session.closed.clear();
    ExpectSameSession(session, ReadSessionFile(WriteSessionFile(session)));
    ExpectSameSession(Session(), ReadSessionFile(WriteSessionFile(Session())));
}

TEST(SessionFileTest, KeepsCharactersXmlCannotHold) {
    const std::u16string odd = std::u16string(u"bell\a nul") + u'\0' + u" esc\x1B lone\xD800 " + u'\xDC00' +
                               u" \xFFFE\xFFFF back\\slash \\u0041 😀";
    Session session;
    session.windows = {Window(SessionEngine::IE, odd, u"http://example.com/\x01\\", WindowShow::Normal, {}),
                       Window(SessionEngine::IE, u"C:\\temp\\ページ", u"file:///C:/temp/", WindowShow::Normal, {})};
    const std::string written = WriteSessionFile(session);
    ExpectSameSession(session, ReadSessionFile(written));
    // Only text that needs it is escaped; the rest reads as it is.
    EXPECT_NE(written.find("<caption escaped=\"1\">bell\\u0007 nul\\u0000 "), std::string::npos) << written;
    EXPECT_NE(written.find("<caption>C:\\temp\\ページ</caption>"), std::string::npos) << written;
}

TEST(SessionFileTest, WritesTheLayoutAUserSees) {
    Session session;
    session.windows = {Window(SessionEngine::IE, u"トップ & 検索", u"http://example.jp/?q=1&r=2", WindowShow::Normal,
                              {0, 0, 640, 480}),
                       Window(SessionEngine::Gecko, u"", u"", WindowShow::Minimized, {-8, -8, 100, 50})};
    session.active = 0;
    session.closed = {Window(SessionEngine::Gecko, u"閉", u"http://c/", WindowShow::Maximized, {1, 2, 3, 4})};
    session.running = true;
    EXPECT_EQ(WriteSessionFile(session),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<session version=\"1\" running=\"1\">\n"
              "  <window engine=\"ie\" show=\"normal\" left=\"0\" top=\"0\" right=\"640\" bottom=\"480\" active=\"1\">\n"
              "    <caption>トップ &amp; 検索</caption>\n"
              "    <address>http://example.jp/?q=1&amp;r=2</address>\n"
              "  </window>\n"
              "  <window engine=\"gecko\" show=\"minimized\" left=\"-8\" top=\"-8\" right=\"100\" bottom=\"50\">\n"
              "    <caption></caption>\n"
              "    <address></address>\n"
              "  </window>\n"
              "  <closed>\n"
              "    <window engine=\"gecko\" show=\"maximized\" left=\"1\" top=\"2\" right=\"3\" bottom=\"4\">\n"
              "      <caption>閉</caption>\n"
              "      <address>http://c/</address>\n"
              "    </window>\n"
              "  </closed>\n"
              "</session>\n");
    EXPECT_EQ(WriteSessionFile(Session()),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<session version=\"1\" running=\"0\">\n</session>\n");
}

TEST(SessionFileTest, RefusesWhatIsNotASessionFile) {
    Session session;
    session.windows = {Named(u"ページ")};
    const std::string whole = WriteSessionFile(session);
    ExpectRefused("", false);
    ExpectRefused("this is not XML", true);
    ExpectRefused(whole.substr(0, whole.size() / 2), true);
    ExpectRefused(whole.substr(0, whole.size() - 3), true);
    ExpectRefused("<?xml version=\"1.0\"?>\n<site-list version=\"1\"/>\n", false);
    ExpectRefused("\xFF\xFE<", true);
    try {
        ReadSessionFile("<bookmark/>");
        ADD_FAILURE();
    } catch (const SessionFileError& error) {
        EXPECT_NE(error.Message().find(u"<bookmark>"), std::u16string::npos) << Utf8(error.Message());
    }
}

TEST(SessionFileTest, PassesOverWhatItDoesNotKnow) {
    const Session read = ReadSessionFile(InSession(
        "  <toolbar hidden=\"1\"/>\n"
        "  <window engine=\"webkit\" show=\"fullscreen\" left=\"ten\" top=\"-\" right=\"99999999999\" bottom=\"1.5\""
        " zoom=\"150\">\n"
        "    <caption lang=\"ja\">見<ruby>ふりがな</ruby>出し</caption>\n"
        "    <caption>second caption</caption>\n"
        "    <history><address>http://old/</address></history>\n"
        "    <address>http://new/</address>\n"
        "  </window>\n"
        "  <window engine=\" Gecko \" show=\"MAXIMIZED\" left=\" -3 \" active=\"0\"/>\n"
        "  <window active=\"1\"><address>http://second/</address></window>\n"
        "  <window active=\"1\"/>\n"
        "  <closed><window active=\"1\"/><note/></closed>\n"));
    ASSERT_EQ(4u, read.windows.size());
    EXPECT_EQ(Window(SessionEngine::IE, u"見出し", u"http://new/", WindowShow::Normal, {0, 0, 0, 0}), read.windows[0]);
    EXPECT_EQ(Window(SessionEngine::Gecko, u"", u"", WindowShow::Maximized, {-3, 0, 0, 0}), read.windows[1]);
    EXPECT_EQ(u"http://second/", read.windows[2].address);
    EXPECT_EQ(std::optional<std::size_t>(2), read.active);
    ASSERT_EQ(1u, read.closed.size());
    EXPECT_FALSE(read.running);
}

TEST(SessionFileTest, ReadsAFileSavedFromNotepad) {
    std::string crlf = "\xEF\xBB\xBF";
    for (const char c : InSession("  <window engine=\"gecko\" active=\"1\">\n"
                                  "    <caption>メモ帳で保存</caption>\n"
                                  "  </window>\n"))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const Session read = ReadSessionFile(crlf);
    ASSERT_EQ(1u, read.windows.size());
    EXPECT_EQ(u"メモ帳で保存", read.windows[0].caption);
    EXPECT_EQ(SessionEngine::Gecko, read.windows[0].engine);
    EXPECT_EQ(std::optional<std::size_t>(0), read.active);
}

TEST(SessionFileTest, ActiveIsAWindowOrNone) {
    Session session;
    session.windows = {Named(u"a"), Named(u"b")};
    session.active = 2;
    EXPECT_EQ(std::nullopt, ReadSessionFile(WriteSessionFile(session)).active);
    EXPECT_EQ(std::nullopt, ReadSessionFile(InSession("<window/><window active=\"yes\"/>")).active);
}

TEST(SessionFileTest, KeepsTheTwentyMostRecentlyClosed) {
    Session session;
    for (int k = 0; k < 25; ++k) RememberClosed(session, Named(u"closed " + Ascii(std::to_string(k))));
    ASSERT_EQ(kMaxClosedWindows, session.closed.size());
    EXPECT_EQ(u"closed 24", session.closed.front().caption);
    EXPECT_EQ(u"closed 5", session.closed.back().caption);
    EXPECT_EQ(session.closed, ReadSessionFile(WriteSessionFile(session)).closed);

    std::string many;
    for (int k = 0; k < 25; ++k) many += "<window><caption>" + std::to_string(k) + "</caption></window>";
    const Session read = ReadSessionFile(InSession("<closed>" + many + "</closed>"));
    ASSERT_EQ(kMaxClosedWindows, read.closed.size());
    EXPECT_EQ(u"0", read.closed.front().caption);
    EXPECT_EQ(u"19", read.closed.back().caption);

    EXPECT_EQ(u"closed 24", TakeLastClosed(session)->caption);
    EXPECT_EQ(u"closed 23", TakeLastClosed(session)->caption);
    while (!session.closed.empty()) TakeLastClosed(session);
    EXPECT_EQ(std::nullopt, TakeLastClosed(session));
}

}  // namespace
}  // namespace vesko
