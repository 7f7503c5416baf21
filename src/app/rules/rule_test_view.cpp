#include "app/rules/rule_test_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "app/rules/error_style.h"
#include "app/rules/rule_report_text.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

// Enough to see a page's matches; a pattern matching everything would make
// the text unreadable anyway.
constexpr std::size_t kMostMarked = 2000;

const QColor kFirstMark(255, 230, 110);   // start marker, matches
const QColor kSecondMark(160, 225, 160);  // end marker

// A tab: one line saying what is searched in the text, then the text.
QWidget* TextTab(const QString& line, QPlainTextEdit* text) {
  auto* tab = new QWidget;
  auto* said = new QLabel(line, tab);
  said->setWordWrap(true);
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(said);
  layout->addWidget(text, 1);
  return tab;
}

// Shows `gbk` with the given byte ranges marked in their colours, the view
// moved to the first.
void ShowMarked(
    QPlainTextEdit* edit, const std::string& gbk,
    const std::vector<std::pair<std::int64_t, std::int64_t>>& ranges,
    const std::vector<QColor>& colours) {
  edit->setPlainText(GbkToQString(gbk));
  QList<QTextEdit::ExtraSelection> marks;
  const std::vector<std::pair<int, int>> shown = ShownRanges(gbk, ranges);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(edit->document());
    mark.cursor.setPosition(shown[i].first);
    mark.cursor.setPosition(shown[i].second, QTextCursor::KeepAnchor);
    mark.format.setBackground(colours[std::min(i, colours.size() - 1)]);
    marks << mark;
  }
  edit->setExtraSelections(marks);
  if (!shown.empty()) {
    QTextCursor at(edit->document());
    at.setPosition(shown.front().first);
    edit->setTextCursor(at);
    edit->centerCursor();
  }
}

}  // namespace

std::vector<std::pair<int, int>> ShownRanges(
    const std::string& gbk,
    const std::vector<std::pair<std::int64_t, std::int64_t>>& ranges) {
  const auto size = static_cast<std::int64_t>(gbk.size());
  std::map<std::int64_t, int> position;  // byte offset -> shown position
  for (const auto& [begin, end] : ranges) {
    position[std::clamp<std::int64_t>(begin, 0, size)] = 0;
    position[std::clamp<std::int64_t>(end, 0, size)] = 0;
  }
  // Converted piece by piece, in order, so the page is converted once.
  std::int64_t done = 0;
  int length = 0;
  for (auto& [offset, shown] : position) {
    // A text view keeps a CR LF as one line break.
    const QString piece = GbkToQString(gbk.substr(done, offset - done));
    length += piece.size() - piece.count(QLatin1String("\r\n"));
    done = offset;
    shown = length;
  }
  std::vector<std::pair<int, int>> shown;
  for (const auto& [begin, end] : ranges) {
    const int from = position[std::clamp<std::int64_t>(begin, 0, size)];
    shown.emplace_back(
        from, std::max(from, position[std::clamp<std::int64_t>(end, 0, size)]));
  }
  return shown;
}

RuleTestView::RuleTestView(QWidget* parent) : QWidget(parent) {
  summary_ = new QLabel(QString::fromUtf8("按“测试”按当前填写的内容试运行规则"
                                          "（不必先保存，也不必暂停采集）。"),
                        this);
  summary_->setObjectName("test_summary");
  summary_->setWordWrap(true);
  advice_ = new QLabel(this);
  advice_->setObjectName("test_advice");
  advice_->setWordWrap(true);
  advice_->setTextFormat(Qt::PlainText);
  advice_->setStyleSheet(kWarningStyle);
  fix_ = new QPushButton(this);
  fix_->setObjectName("fix");
  fix_->setAutoDefault(false);
  connect(fix_, &QPushButton::clicked, this, &RuleTestView::FixRequested);
  ShowAdvice(QString(), QString());

  steps_ = new QTreeWidget(this);
  steps_->setObjectName("steps");
  steps_->setRootIsDecorated(false);
  steps_->setHeaderLabels(
      {QString::fromUtf8("步骤"), QString::fromUtf8("结果")});
  steps_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

  posts_ = new QTableWidget(0, 4, this);
  posts_->setObjectName("posts");
  posts_->setHorizontalHeaderLabels(
      {QString::fromUtf8("编号"), QString::fromUtf8("标题"),
       QString::fromUtf8("链接"), QString::fromUtf8("已保存")});
  posts_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  posts_->setSelectionBehavior(QAbstractItemView::SelectRows);
  posts_->verticalHeader()->hide();
  QHeaderView* header = posts_->horizontalHeader();
  header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header->setSectionResizeMode(2, QHeaderView::Stretch);
  header->setSectionResizeMode(3, QHeaderView::ResizeToContents);
  posts_->setColumnWidth(1, 220);

  decoded_text_ = new QPlainTextEdit;
  decoded_text_->setObjectName("decoded_text");
  page_text_ = new QPlainTextEdit;
  page_text_->setObjectName("page_text");
  for (QPlainTextEdit* text : {decoded_text_, page_text_}) {
    text->setReadOnly(true);
  }
  texts_ = new QTabWidget(this);
  texts_->setObjectName("texts");
  texts_->addTab(
      TextTab(QString::fromUtf8("开始标记和结束标记在这里查找：解码后的整页，"
                                "引号和换行都在（黄色：开始标记，绿色：结束标记"
                                "）"),
              decoded_text_),
      QString::fromUtf8("页面原文"));
  texts_->addTab(
      TextTab(QString::fromUtf8("匹配规则在这里查找：两个标记之间的部分，去掉"
                                "了换行、制表符和引号，编号有站点清理的也已清理"
                                "（黄色：每处匹配）"),
              page_text_),
      QString::fromUtf8("整理后"));

  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(steps_);
  split->addWidget(posts_);
  split->addWidget(texts_);
  split->setStretchFactor(1, 2);
  split->setStretchFactor(2, 2);

  auto* advice_line = new QHBoxLayout;
  advice_line->addWidget(advice_, 1);
  advice_line->addWidget(fix_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(summary_);
  layout->addLayout(advice_line);
  layout->addWidget(split, 1);
}

void RuleTestView::ShowMessage(const QString& text) { summary_->setText(text); }

void RuleTestView::ShowAdvice(const QString& text, const QString& fix_caption) {
  advice_->setText(text);
  advice_->setVisible(!text.isEmpty());
  fix_->setText(fix_caption);
  fix_->setVisible(!text.isEmpty());
}

void RuleTestView::ShowRunning() {
  ShowMessage(QString::fromUtf8("测试中……再按“测试”会取消这次、重新开始。"));
  ShowAdvice(QString(), QString());
  steps_->clear();
  posts_->setRowCount(0);
  decoded_text_->clear();
  page_text_->clear();
}

void RuleTestView::ShowReport(const RuleReport& report) {
  steps_->clear();
  QString failed;
  for (const StepLine& line : ReportSteps(report)) {
    auto* item = new QTreeWidgetItem(steps_, {line.step, line.outcome});
    if (line.ok) continue;
    item->setForeground(1, QBrush(Qt::red));
    if (failed.isEmpty()) failed = line.step;
  }
  posts_->setRowCount(static_cast<int>(report.found.size()));
  for (int r = 0; r < posts_->rowCount(); ++r) {
    const FoundPost& post = report.found[r];
    const QString cells[] = {GbkToQString(post.id), GbkToQString(post.title),
                             GbkToQString(post.link),
                             QString::fromUtf8(post.stored ? "是" : "否")};
    for (int c = 0; c < 4; ++c) {
      posts_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
  }
  std::vector<std::pair<std::int64_t, std::int64_t>> markers;
  std::vector<QColor> colours;
  if (report.cut.start_at >= 0) {
    markers.emplace_back(report.cut.start_at,
                         report.cut.start_at + report.cut.start_length);
    colours.push_back(kFirstMark);
  }
  if (report.cut.end_at >= 0) {
    markers.emplace_back(report.cut.end_at,
                         report.cut.end_at + report.cut.end_length);
    colours.push_back(kSecondMark);
  }
  ShowMarked(decoded_text_, report.decoded_text, markers, colours);
  std::vector<std::pair<std::int64_t, std::int64_t>> matches =
      report.match_spans;
  if (matches.size() > kMostMarked) matches.resize(kMostMarked);
  ShowMarked(page_text_, report.page_text, matches, {kFirstMark});
  // Where the rule broke off, the text to look at is the one before it.
  const bool cut_failed = report.failed_step == FailedStep::kStartMarker ||
                          report.failed_step == FailedStep::kEndMarker ||
                          report.failed_step == FailedStep::kEmptyCut;
  texts_->setCurrentIndex(cut_failed ? 0 : 1);
  ShowMessage(report.failed_step == FailedStep::kNone
                  ? QString::fromUtf8("测试完成：找到 %1 条帖子。")
                        .arg(report.found.size())
                  : QString::fromUtf8("测试完成：规则在“%1”这一步没有通过。")
                        .arg(failed));
}

}  // namespace dw
