#include "runtime/ui/ui_ops.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "runtime/delay.h"
#include "runtime/threads.h"
#include "runtime/ui/message_box_style.h"
#include "runtime/ui/qt_app.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened.append(url); }
};

TEST(GbkText, RoundTripsChineseAndAscii) {
  test::App();
  const std::string gbk = "\xBF\xAA\xCA\xBC abc";  // 开始 abc
  EXPECT_EQ(GbkToQString(gbk), QString::fromUtf8("开始 abc"));
  EXPECT_EQ(QStringToGbk(QString::fromUtf8("开始 abc")), gbk);
  EXPECT_TRUE(GbkToQString("").isEmpty());
  // Beyond GBK: the bytes a page's UTF-8 gets; a lone surrogate has none.
  const std::string fire = "\x94\x39\xE6\x37";
  EXPECT_EQ(QStringToGbk(QString::fromUtf8("\xF0\x9F\x94\xA5")), fire);
  EXPECT_EQ(GbkToQString(fire), QString::fromUtf8("\xF0\x9F\x94\xA5"));
  EXPECT_EQ(QStringToGbk(QString(QChar(0xD800)) + "a"), "?a");
}

TEST(OpenWebAddress, OpensOnlyWebAddresses) {
  test::App();
  UrlRecorder recorder;
  const char* schemes[] = {"http",       "https",  "file",
                           "javascript", "mailto", "ftp"};
  for (const char* scheme : schemes) {
    QDesktopServices::setUrlHandler(scheme, &recorder, "Open");
  }
  struct Case {
    std::string address;
    const char* expected;  // nullptr: must not be opened
  } cases[] = {
      {"http://example.test/t/1.html", "http://example.test/t/1.html"},
      {"HTTPS://example.test/a?b=1", "https://example.test/a?b=1"},
      {"http://example.test/\xD5\xE6", "http://example.test/真"},  // 真
      {"", nullptr},
      {"file:///etc/passwd", nullptr},
      {"javascript:alert(1)", nullptr},
      {"mailto:a@example.test", nullptr},
      {"ftp://example.test/x", nullptr},
      {"http:example.test", nullptr},
      {"http://", nullptr},
      {"  http://example.test/", nullptr},
  };
  for (const auto& c : cases) {
    recorder.opened.clear();
    OpenWebAddress(c.address);
    if (c.expected) {
      ASSERT_EQ(recorder.opened.size(), 1) << c.address;
      EXPECT_EQ(recorder.opened[0], QUrl(QString::fromUtf8(c.expected)))
          << c.address;
    } else {
      EXPECT_TRUE(recorder.opened.isEmpty()) << c.address;
    }
  }
  for (const char* scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
}

TEST(MessageBoxStyle, MapsStyleBitsAndResults) {
  using B = QMessageBox::StandardButton;
  struct Case {
    int style;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    B default_button;
  } cases[] = {
      {0x00, QMessageBox::NoIcon, B::Ok, B::Ok},
      {0x10, QMessageBox::Critical, B::Ok, B::Ok},
      {0x21, QMessageBox::Question, B::Ok | B::Cancel, B::Ok},
      {0x102, QMessageBox::NoIcon, B::Abort | B::Retry | B::Ignore, B::Retry},
      {0x233, QMessageBox::Warning, B::Yes | B::No | B::Cancel, B::Cancel},
      {0x144, QMessageBox::Information, B::Yes | B::No, B::No},
      {0x305, QMessageBox::NoIcon, B::Retry | B::Cancel, B::Retry},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MessageBoxIcon(c.style), c.icon) << c.style;
    EXPECT_EQ(MessageBoxButtons(c.style), c.buttons) << c.style;
    EXPECT_EQ(MessageBoxDefaultButton(c.style), c.default_button) << c.style;
  }
  const std::pair<B, int> results[] = {
      {B::Ok, 0},     {B::Cancel, 1}, {B::Abort, 2}, {B::Retry, 3},
      {B::Ignore, 4}, {B::Yes, 5},    {B::No, 6},    {B::Help, -1}};
  for (auto [button, number] : results) {
    EXPECT_EQ(MessageBoxResult(button), number);
  }
}

// Presses `button` on the message box as soon as it is up and records what
// the box showed.
struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool seen = false;
};

void PressWhenShown(QMessageBox::StandardButton button, SeenBox* seen) {
  QTimer::singleShot(0, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      PressWhenShown(button, seen);
      return;
    }
    seen->seen = true;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    box->button(button)->click();
  });
}

TEST(ShowMessageBox, ShowsTextCaptionIconAndReturnsPressedButton) {
  test::App();
  struct Case {
    std::string message;
    int style;
    std::optional<std::string> caption;
    QMessageBox::StandardButton press;
    const char* title;
    QMessageBox::Icon icon;
    int result;
  } cases[] = {
      {"\xCA\xFD\xBE\xDD", 0, std::nullopt, QMessageBox::Ok, "信息：",
       QMessageBox::NoIcon, 0},  // 数据
      {"a\r\n\r\nb", 0x10, "\xC6\xF4\xB6\xAF\xCA\xA7\xB0\xDC", QMessageBox::Ok,
       "启动失败", QMessageBox::Critical, 0},  // 启动失败
      {"q", 0x24, std::string(), QMessageBox::No, "", QMessageBox::Question, 6},
      {"q", 0x21, std::nullopt, QMessageBox::Cancel, "信息：",
       QMessageBox::Question, 1},
  };
  for (const auto& c : cases) {
    SeenBox seen;
    PressWhenShown(c.press, &seen);
    EXPECT_EQ(ShowMessageBox(c.message, c.style, c.caption), c.result);
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, QString::fromUtf8(c.title));
    EXPECT_EQ(seen.text, GbkToQString(c.message));
    EXPECT_EQ(seen.icon, c.icon);
  }
}

// A worker stopped at program end may itself be waiting for the GUI thread
// (as when it raised a runtime error and waits for the box to be shown):
// waiting for it must keep the GUI thread's events running.
TEST(JoinThreadDispatching, EndsAThreadThatWaitsOnTheGuiThread) {
  QApplication& app = test::App();
  bool answered = false;
  ThreadHandle worker;
  ASSERT_TRUE(StartThread(
      [&] {
        while (!StopRequested()) Delay(1000);
        QMetaObject::invokeMethod(
            &app, [&] { answered = true; }, Qt::BlockingQueuedConnection);
      },
      &worker));
  EndThread(worker);
  JoinThreadDispatching(worker);
  EXPECT_TRUE(answered);
  EXPECT_FALSE(worker.Valid());
}

}  // namespace
}  // namespace dw

#include "ui_ops_test.moc"
