// Committing candidates under Wine: the characters posted to an edit control of the test's
// own, the traditional mapping, and the online lookup against a loopback dictionary server,
// including lookups that overlap and finish out of order.

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "commit/candidate_commit.h"
#include "commit/dictionary_lookup.h"
#include "commit/traditional.h"
#include "commit/typing.h"
#include "tests/win/support/loopback_socket.h"

namespace {

using Clock = std::chrono::steady_clock;

// Handles this thread's messages (the lookup lines, the posted characters) until `done`,
// with the ANSI or the Unicode message functions.
bool pumpUntil(const std::function<bool()>& done, int milliseconds = 10000, bool unicode = false) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        MSG message;
        while (unicode ? PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)
                       : PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            if (unicode) {
                DispatchMessageW(&message);
            } else {
                DispatchMessageA(&message);
            }
        }
        if (done()) {
            return true;
        }
        if (Clock::now() > deadline) {
            return false;
        }
        Sleep(5);
    }
}

void pumpFor(int milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

bool runningOnWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

using loopback::sendAll;

// A dictionary site on 127.0.0.1 that answers every connection on its own thread, so slow
// pages do not hold up quick ones. `page` gets the keyword's bytes and may set a delay.
class DictionaryServer {
  public:
    using Page = std::function<std::string(const std::string& keyword, int& delayMilliseconds)>;

    explicit DictionaryServer(Page page) : page_(std::move(page)) {
        listener_ = loopback::listenOnEphemeralPort(port_, 64);
        acceptor_ = std::thread([this] { accept(); });
    }

    ~DictionaryServer() {
        ::closesocket(listener_);
        acceptor_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& connection : connections_) {
            connection.join();
        }
    }

    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    int answered() const { return answered_; }
    std::vector<std::string> keywords() {
        std::lock_guard<std::mutex> lock(mutex_);
        return keywords_;
    }

  private:
    void accept() {
        for (;;) {
            SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            connections_.emplace_back([this, client] { serve(client); });
        }
    }

    void serve(SOCKET client) {
        const std::string head = loopback::readRequestHead(client);
        // GET /Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=<bytes>,,,,,,, HTTP/1.0
        const std::string line = head.substr(0, head.find("\r\n"));
        const std::size_t from = line.find("Keyword=");
        const std::size_t to = line.rfind(",,,,,,, HTTP/1.0");
        std::string keyword = "?";
        if (from != std::string::npos && to != std::string::npos && to >= from + 8) {
            keyword = line.substr(from + 8, to - from - 8);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            keywords_.push_back(keyword);
        }
        int delay = 0;
        const std::string body = page_(keyword, delay);
        Sleep(static_cast<DWORD>(delay));
        sendAll(client,
                "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=gb2312\r\n"
                "Content-Length: " +
                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        ::shutdown(client, SD_SEND);
        ::closesocket(client);
        ++answered_;
    }

    Page page_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> connections_;
    std::vector<std::string> keywords_;
    std::atomic<int> answered_{0};
};

std::string dictionaryPage(const std::string& pinyin, const std::string& wubi) {
    return "<html><body><p>查找拼音为【" + pinyin + "】的字</p><p>查找86版五笔编码为【" + wubi +
           "】的字</p></body></html>";
}

const char kNotFoundPage[] = "<html><body>没有相关结果</body></html>";

// What a panel shows around the commit, recorded: captions in the order they were set, whether
// by the commit or by the lookup lines the GUI thread accepted.
struct RecordingPanel {
    std::string caption() const { return captions.empty() ? std::string() : captions.back(); }

    bool traditional = false;
    bool online = false;
    int reactivations = 0;
    int clears = 0;
    std::vector<std::string> captions;
};

// A panel state, the lookup receiver that shows accepted lines on the recorded label, and a
// press on a candidate carried out as the panel carries it out: the typing and the lookup for
// real, the rest recorded.
struct CommitRig {
    explicit CommitRig(const std::string& host)
        : receiver(state, [this](const Text& line) { panel.captions.push_back(line); }),
          dictionaryHost(host) {}
    ~CommitRig() {
        if (state.lookupThread != 0) {
            CloseHandle(reinterpret_cast<HANDLE>(state.lookupThread));
        }
    }

    void commit(const Text& candidate) {
        const Text shown = panel.traditional ? toTraditional(candidate) : candidate;
        const CommitDecision decision = commitCandidate(state, candidate, shown, panel.online);
        panel.reactivations += decision.handBackActivation;
        typeBytes(decision.focus, decision.typed);
        panel.clears += decision.clearPadAndCandidates;
        panel.captions.push_back(decision.infoLine);
        if (decision.startLookup)
            startDictionaryLookup(state, receiver.window(), dictionaryHost);
    }

    CommitState state;
    DictionaryLookupReceiver receiver;
    Text dictionaryHost;
    RecordingPanel panel;
};

// Two targets of the test's own: a window with an ANSI window procedure, as the controls of
// an ANSI application have, that records every character message; and an edit control.
class TypingTarget {
  public:
    TypingTarget() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = recordingProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "CommitTestTarget";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "CommitTestTarget", "target", WS_OVERLAPPEDWINDOW, 10, 10, 300,
                                  100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 200, 24,
                                window_, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TypingTarget() { DestroyWindow(window_); }

    WindowHandle recorder() const { return reinterpret_cast<WindowHandle>(window_); }
    WindowHandle edit() const { return reinterpret_cast<WindowHandle>(edit_); }
    std::string editText() const {
        char buffer[256] = {};
        GetWindowTextA(edit_, buffer, sizeof(buffer));
        return buffer;
    }

    std::vector<std::pair<unsigned, LPARAM>> received;

  private:
    static LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
        auto* self = reinterpret_cast<TypingTarget*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_CHAR && self != nullptr) {
            self->received.emplace_back(static_cast<unsigned>(wParam), lParam);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    HWND edit_ = nullptr;
};

class CommitLookupTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

TEST_F(CommitLookupTest, TypesLeadByteThenTrailByteWithRepeatCountOne) {
    TypingTarget target;
    CommitRig rig("127.0.0.1:9");
    rig.state.targetFocus = target.recorder();
    rig.commit("中");
    ASSERT_TRUE(pumpUntil([&] { return target.received.size() >= 2; }));
    pumpFor(100);  // nothing else may follow
    const std::vector<std::pair<unsigned, LPARAM>> expected{{0xD6, 1}, {0xD0, 1}};
    EXPECT_EQ(target.received, expected);
    EXPECT_EQ(rig.panel.reactivations, 1);
    EXPECT_EQ(rig.panel.clears, 1);
    EXPECT_EQ(rig.panel.captions, (std::vector<std::string>{"中  拼音：zhong"}));
    EXPECT_EQ(rig.state.committedText, "中");

    // Into an edit control the two bytes make one character. Wine joins the bytes posted with
    // PostMessageA at posting time, and its ANSI message functions would split them again for
    // the edit control, so this part runs a Unicode message loop, as Unicode programs do.
    rig.state.targetFocus = target.edit();
    rig.commit("中");
    EXPECT_TRUE(pumpUntil([&] { return target.editText() == "中"; }, 5000, true))
        << "the edit control holds \"" << target.editText() << "\"";
}

TEST_F(CommitLookupTest, EmptyCandidatePostsNothingButClearsAndUpdatesTheLine) {
    TypingTarget target;
    DictionaryServer server([](const std::string&, int&) { return std::string(kNotFoundPage); });
    CommitRig rig(server.host());
    rig.state.targetFocus = target.recorder();
    rig.commit("");
    EXPECT_EQ(rig.panel.captions, (std::vector<std::string>{"  拼音："}));

    rig.panel.online = true;
    rig.commit("");
    ASSERT_TRUE(pumpUntil([&] { return rig.panel.captions.size() >= 3; }));
    pumpFor(100);
    EXPECT_TRUE(target.received.empty());
    EXPECT_EQ(rig.panel.clears, 2);
    EXPECT_EQ(rig.panel.captions,
              (std::vector<std::string>{"  拼音：", "在线校对字典...", "没有找到本字："}));
    // The keyword is empty: the request ends in the seven commas alone.
    EXPECT_EQ(server.keywords(), (std::vector<std::string>{""}));
}

TEST_F(CommitLookupTest, TraditionalOutputTypesTheCandidateAndShowsTheMappedForm) {
    TypingTarget target;
    CommitRig rig("127.0.0.1:9");
    rig.state.targetFocus = target.recorder();
    rig.panel.traditional = true;
    rig.commit("国");
    ASSERT_TRUE(pumpUntil([&] { return target.received.size() >= 2; }));
    EXPECT_EQ(target.received[0].first, 0xB9u);
    EXPECT_EQ(target.received[1].first, 0xFAu);
    EXPECT_EQ(rig.state.committedText, "国");
    if (runningOnWine()) {
        // Wine does not map to traditional characters, so the line shows 国 itself.
        EXPECT_EQ(rig.panel.caption(), "国  拼音：guo");
    } else {
        // Windows maps 国 to 國, which lies outside the GB2312 hanzi block: no local pinyin.
        EXPECT_EQ(rig.panel.caption(), "國  拼音：");
    }
}

TEST(ToTraditional, KeepsTheByteLengthAndNeverReturnsGarbage) {
    const std::vector<std::string> texts{"国", "中华人民共和国", "abc 123", std::string(600, 'x'),
                                         "\xD6"};  // a lone lead byte
    for (const std::string& text : texts) {
        const Text mapped = toTraditional(text);
        EXPECT_EQ(mapped.size(), text.size()) << text;
        EXPECT_EQ(mapped.find('\0'), std::string::npos);
        if (runningOnWine() && text != "\xD6") {
            // Wine returns the input unchanged; Windows maps 国 to 國 and so on.
            EXPECT_EQ(mapped, text);
        }
    }
    EXPECT_EQ(toTraditional(""), "");
    if (!runningOnWine()) {
        EXPECT_EQ(toTraditional("国"), "國");
    }
}

TEST_F(CommitLookupTest, LookupLineGoesFromProgressToPinyinToWubi) {
    DictionaryServer server([](const std::string& keyword, int&) {
        return keyword == "中" ? dictionaryPage("zhōng", "khk") : std::string(kNotFoundPage);
    });
    CommitRig rig(server.host());
    rig.panel.online = true;
    rig.commit("中");
    EXPECT_EQ(rig.panel.captions, (std::vector<std::string>{"在线校对字典..."}));
    EXPECT_NE(rig.state.lookupThread, 0u);
    ASSERT_TRUE(pumpUntil([&] { return rig.panel.captions.size() >= 3; }));
    pumpFor(100);
    EXPECT_EQ(rig.panel.captions, (std::vector<std::string>{"在线校对字典...", "中  拼音：zhōng",
                                                            "中  拼音：zhōng  五笔：khk"}));
    EXPECT_EQ(server.keywords(), (std::vector<std::string>{"中"}));
}

TEST_F(CommitLookupTest, UnreachableDictionaryGivesTheNotFoundLine) {
    std::string goneHost;
    {
        DictionaryServer gone([](const std::string&, int&) { return std::string(); });
        goneHost = gone.host();
    }
    CommitRig rig(goneHost);
    rig.panel.online = true;
    rig.commit("中");
    ASSERT_TRUE(pumpUntil([&] { return rig.panel.captions.size() >= 2; }, 30000));
    EXPECT_EQ(rig.panel.captions,
              (std::vector<std::string>{"在线校对字典...", "没有找到本字：中"}));
}

// Every caption set after the commit at `from` must describe `character`.
void expectOnlyLinesOf(const std::vector<std::string>& captions, std::size_t from,
                       const std::string& character) {
    for (std::size_t i = from; i < captions.size(); ++i) {
        EXPECT_TRUE(captions[i] == "在线校对字典..." || captions[i].rfind(character, 0) == 0)
            << "caption " << i << " \"" << captions[i] << "\" after the commit of " << character;
    }
}

TEST_F(CommitLookupTest, AnOvertakenLookupNeverReachesTheLine) {
    DictionaryServer server([](const std::string& keyword, int& delay) {
        if (keyword == "中") {
            delay = 800;  // answers long after the lookup of 国
            return dictionaryPage("zhōng", "khk");
        }
        return dictionaryPage("guó", "lgyi");
    });
    CommitRig rig(server.host());
    rig.panel.online = true;
    rig.commit("中");
    const std::size_t second = rig.panel.captions.size();
    rig.commit("国");
    ASSERT_TRUE(pumpUntil([&] { return server.answered() == 2; }));
    pumpFor(300);
    EXPECT_EQ(rig.panel.caption(), "国  拼音：guó  五笔：lgyi");
    expectOnlyLinesOf(rig.panel.captions, second, "国");
}

TEST_F(CommitLookupTest, ALaterLocalCommitIsNotOverwrittenByAnEarlierLookup) {
    DictionaryServer server([](const std::string&, int& delay) {
        delay = 400;
        return dictionaryPage("zhōng", "khk");
    });
    CommitRig rig(server.host());
    rig.panel.online = true;
    rig.commit("中");
    rig.panel.online = false;  // turned off while the lookup runs
    rig.commit("国");
    EXPECT_EQ(rig.panel.caption(), "国  拼音：guo");
    // lookupThread still names the lookup of 中: the commit of 国 started none.
    ASSERT_NE(rig.state.lookupThread, 0u);
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(rig.state.lookupThread), 10000),
              WAIT_OBJECT_0);
    pumpFor(200);
    EXPECT_EQ(rig.panel.caption(), "国  拼音：guo");
}

TEST_F(CommitLookupTest, TwentyQuickCommitsAgainstASlowDictionaryEndOnTheLastOne) {
    const std::vector<std::string> characters{"一", "二", "三", "四", "五", "六", "七",
                                              "八", "九", "十", "上", "下", "左", "右",
                                              "大", "小", "人", "口", "手", "中"};
    const int count = static_cast<int>(characters.size());
    DictionaryServer server([&](const std::string& keyword, int& delay) {
        for (int i = 0; i < count; ++i) {
            if (characters[i] == keyword) {
                delay = (count - i) * 40;  // the earlier the commit, the later its page
                return dictionaryPage("p" + std::to_string(i), "w" + std::to_string(i));
            }
        }
        return std::string(kNotFoundPage);
    });
    CommitRig rig(server.host());
    rig.panel.online = true;
    std::size_t lastCommit = 0;
    for (const std::string& character : characters) {
        lastCommit = rig.panel.captions.size();
        rig.commit(character);
        pumpFor(10);
    }
    ASSERT_TRUE(pumpUntil([&] { return server.answered() == count; }, 60000));
    pumpFor(500);
    const std::string last = std::to_string(count - 1);
    EXPECT_EQ(rig.panel.caption(), "中  拼音：p" + last + "  五笔：w" + last);
    expectOnlyLinesOf(rig.panel.captions, lastCommit, "中");
}

}  // namespace
