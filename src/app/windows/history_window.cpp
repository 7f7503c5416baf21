#include "app/windows/history_window.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <limits>

#include "app/windows/history_export.h"
#include "app/windows/screen_fit.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/ui_ops.h"
#include "store/post_time.h"

namespace dw {
namespace {

constexpr int kTypingPauseMs = 250;
constexpr int kRetryMs = 500;
// The list reads on this thread: it waits no longer than this for a
// database another program is writing to, and tries again later.
constexpr int kReadWaitMs = 50;
// How soon an unfinished upkeep (a held file, a full disk) tries again.
constexpr int kUpkeepRetryMs = 10 * 1000;

std::int64_t StartOf(const QDate& day) {
  return QDateTime(day, QTime(0, 0)).toSecsSinceEpoch();
}

}  // namespace

HistoryWindow::HistoryWindow(HistoryWindowOptions options)
    : QWidget(nullptr, Qt::Window), options_(std::move(options)) {
  if (!options_.clock) options_.clock = UnixNow;
  setWindowTitle(QString::fromUtf8("历史帖子"));
  const bool opened = DbOpen(db_, options_.database_path);
  if (opened) sqlite3_busy_timeout(db_.Handle(), kReadWaitMs);

  BuildFilters();
  BuildList();
  LayOut();
  SetUpTimers();
  ConnectControls();

  if (!opened) {
    status_->setText(QString::fromUtf8("无法打开数据库，历史记录不可用"));
  }
}

// The search field and the filters beside it.
void HistoryWindow::BuildFilters() {
  search_ = new QLineEdit(this);
  search_->setObjectName("search");
  search_->setPlaceholderText(QString::fromUtf8("搜索标题，空格分隔多个词"));
  search_->setClearButtonEnabled(true);
  site_ = new QComboBox(this);
  site_->setObjectName("site");
  site_->setMinimumContentsLength(8);
  hits_only_ = new QCheckBox(QString::fromUtf8("只看关键词"), this);
  hits_only_->setObjectName("hits_only");
  range_ = new QComboBox(this);
  range_->setObjectName("range");
  for (const char* text : {"今天", "7 天", "30 天", "全部", "自定义"}) {
    range_->addItem(QString::fromUtf8(text));
  }
  range_->setCurrentIndex(kAll);
  from_ = new QDateEdit(QDate::currentDate().addDays(-7), this);
  to_ = new QDateEdit(QDate::currentDate(), this);
  for (QDateEdit* edit : {from_, to_}) {
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setVisible(false);
  }
  export_ = new QPushButton(QString::fromUtf8("导出 CSV"), this);
  export_->setObjectName("export_csv");
}

void HistoryWindow::BuildList() {
  model_ = new HistoryModel(db_, this);
  list_ = new QTableView(this);
  list_->setObjectName("history_list");
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(22);
  list_->horizontalHeader()->setSectionResizeMode(HistoryModel::kTitle,
                                                  QHeaderView::Stretch);
  list_->setColumnWidth(HistoryModel::kSite, 110);
  list_->setColumnWidth(HistoryModel::kTime, 130);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  status_ = new QLabel(this);
  status_->setObjectName("status");
}

void HistoryWindow::LayOut() {
  auto* filters = new QHBoxLayout;
  filters->addWidget(search_, 1);
  filters->addWidget(site_);
  filters->addWidget(hits_only_);
  filters->addWidget(range_);
  filters->addWidget(from_);
  filters->addWidget(to_);
  filters->addWidget(export_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(list_, 1);
  layout->addWidget(status_);
  FitToScreen(this, QSize(820, 560));
}

void HistoryWindow::SetUpTimers() {
  typing_pause_.setSingleShot(true);
  typing_pause_.setInterval(kTypingPauseMs);
  retry_.setSingleShot(true);
  retry_.setInterval(kRetryMs);
  connect(&typing_pause_, &QTimer::timeout, this, &HistoryWindow::Search);
  connect(&retry_, &QTimer::timeout, this, &HistoryWindow::Search);
  upkeep_retry_.setSingleShot(true);
  upkeep_retry_.setInterval(kUpkeepRetryMs);
  connect(&upkeep_retry_, &QTimer::timeout, this, &HistoryWindow::StartCatchUp);
  // A write the damage refused is checked and rebuilt for at once, not at
  // the next opening of the window.
  if (options_.take_write_damage) {
    damage_watch_.setInterval(kUpkeepRetryMs);
    connect(&damage_watch_, &QTimer::timeout, this, [this] {
      if (!options_.take_write_damage()) return;
      checked_ = false;
      StartCatchUp();
    });
    damage_watch_.start();
  }
}

void HistoryWindow::ConnectControls() {
  connect(search_, &QLineEdit::textChanged, &typing_pause_,
          qOverload<>(&QTimer::start));
  connect(search_, &QLineEdit::returnPressed, this, &HistoryWindow::Search);
  connect(site_, &QComboBox::activated, this, &HistoryWindow::Search);
  connect(hits_only_, &QCheckBox::toggled, this, &HistoryWindow::Search);
  connect(range_, &QComboBox::currentIndexChanged, this, [this](int range) {
    from_->setVisible(range == kCustom);
    to_->setVisible(range == kCustom);
    Search();
  });
  connect(from_, &QDateEdit::dateChanged, this, &HistoryWindow::Search);
  connect(to_, &QDateEdit::dateChanged, this, &HistoryWindow::Search);
  connect(export_, &QPushButton::clicked, this, &HistoryWindow::ExportCsv);
  connect(list_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenRow(index.row()); });
  connect(list_, &QWidget::customContextMenuRequested, this,
          &HistoryWindow::ShowMenu);
  connect(model_, &HistoryModel::Refused, this, [this] { retry_.start(); });
  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, this, [this] {
    search_->setFocus();
    search_->selectAll();
  });
}

HistoryWindow::~HistoryWindow() {
  EndThread(catch_up_);
  EndThread(counter_);
  JoinThread(catch_up_);
  JoinThread(counter_);
}

void HistoryWindow::Open() {
  // Read afresh at each opening: posts stored since then are at the top.
  if (db_.IsOpen()) {
    FillSites();
    Search();
  }
  BringToFront(this);
  search_->setFocus();
  StartCatchUp();
}

void HistoryWindow::StartCatchUp() {
  if (catch_up_.Valid() && !ThreadFinished(catch_up_)) return;
  JoinThread(catch_up_);
  // The indexes' own check reads all of them: at the first pass only, and
  // again whenever a pass finds damage on its way.
  const bool check = !checked_;
  checked_ = true;
  StartThread(
      [this, check, path = options_.database_path] {
        Database db;
        if (!DbOpen(db, path)) return;
        const HistoryUpkeep result = KeepUpHistory(
            db, check, [] { return StopRequested(); }, kCatchUpBatch,
            UnixNow());
        if (StopRequested()) return;
        QMetaObject::invokeMethod(
            this, [this, result] { OnCaughtUp(result); }, Qt::QueuedConnection);
      },
      &catch_up_);
}

void HistoryWindow::OnCaughtUp(const HistoryUpkeep& result) {
  pairs_ready_ = pairs_ready_ || result.catch_up.all_indexed;
  // Tables made only now (the file was held at start) bring their index.
  if (result.setup.tables) options_.use_index = result.setup.search_index;
  const QString said = QString::fromStdString(HistoryUpkeepText(result));
  const bool changed = said != options_.problem;
  options_.problem = said;
  if (result.catch_up.added > 0 || result.rebuilt || changed) {
    FillSites();
    Search();
  }
  // A partial history is finished once the file frees or space returns.
  if (!result.Complete()) upkeep_retry_.start();
  emit CaughtUp(result.catch_up.added);
}

HistoryFilter HistoryWindow::CurrentFilter() const {
  HistoryFilter filter;
  filter.text = search_->text().trimmed().toStdString();
  filter.use_index = options_.use_index;
  filter.pairs_complete = pairs_ready_;
  if (site_->currentIndex() > 0) {
    filter.site_id = site_->currentData().toLongLong();
  }
  filter.hits_only = hits_only_->isChecked();
  const std::int64_t now = options_.clock();
  switch (range_->currentIndex()) {
    case kToday:
      filter.from = StartOfLocalDay(now);
      break;
    case kWeek:
      filter.from = StartOfLocalDay(now, 6);
      break;
    case kMonth:
      filter.from = StartOfLocalDay(now, 29);
      break;
    case kCustom:
      filter.from = StartOf(from_->date());
      filter.to = StartOf(to_->date().addDays(1));
      break;
    default:
      break;
  }
  return filter;
}

void HistoryWindow::FillSites() {
  const QVariant chosen = site_->currentData();
  site_->clear();
  site_->addItem(QString::fromUtf8("全部站点"));
  for (const HistorySite& site : HistorySites(db_)) {
    site_->addItem(GbkToQString(site.name), QVariant::fromValue(site.id));
  }
  const int again = chosen.isValid() ? site_->findData(chosen) : -1;
  site_->setCurrentIndex(again > 0 ? again : 0);
}

void HistoryWindow::Search() {
  typing_pause_.stop();
  ++count_generation_;  // the count under way is for the filters before
  if (!model_->SetFilter(CurrentFilter())) {
    status_->setText(QString::fromUtf8("数据库正忙，稍后自动重试…"));
    retry_.start();
    return;
  }
  StartCount();
}

void HistoryWindow::StartCount() {
  const std::uint64_t generation = count_generation_;
  if (model_->AtEnd()) {
    ShowCount(model_->rowCount());
    return;
  }
  // Counting reads every match: a common word, or a short one that is
  // looked for by scan, costs a tenth of a second and more on a large
  // history.
  ShowCount(std::nullopt);
  RestartThread(counter_, [this, generation, filter = model_->Filter(),
                           path = options_.database_path] {
    Database db;
    if (!DbOpen(db, path)) return;
    // A count no longer wanted ends mid-scan.
    sqlite3_progress_handler(
        db.Handle(), 10000, [](void*) { return StopRequested() ? 1 : 0; },
        nullptr);
    const std::optional<std::int64_t> total = CountHistory(db, filter);
    if (!total || StopRequested()) return;
    QMetaObject::invokeMethod(
        this,
        [this, generation, total] {
          if (generation == count_generation_) ShowCount(total);
        },
        Qt::QueuedConnection);
  });
}

void HistoryWindow::ShowCount(std::optional<std::int64_t> total) {
  QString text =
      total ? QString::fromUtf8("共 %1 条").arg(*total)
            : QString::fromUtf8("共 %1 条以上").arg(model_->rowCount());
  if (!options_.problem.isEmpty())
    text += QStringLiteral("  ·  ") + options_.problem;
  status_->setText(text);
}

void HistoryWindow::ExportCsv() {
  // Not the program's folder, which the dialog would open in: the user's
  // documents, then wherever the last export went.
  if (export_folder_.isEmpty()) {
    export_folder_ =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  }
  const QString start =
      QDir(export_folder_).filePath(QString::fromUtf8("帖子.csv"));
  QString path;
  if (options_.export_path) {
    path = options_.export_path(start);
  } else {
    path = QFileDialog::getSaveFileName(this, QString::fromUtf8("导出 CSV"),
                                        start, QStringLiteral("CSV (*.csv)"));
  }
  if (path.isEmpty()) return;
  export_folder_ = QFileInfo(path).absolutePath();
  const HistoryFilter filter = model_->Filter();
  QString error;
  const auto written = ExportHistoryCsv(
      path,
      [this, &filter](std::int64_t below) {
        return FindHistory(db_, filter, below, 1000);
      },
      &error);
  status_->setText(
      written ? QString::fromUtf8("已导出 %1 条到 %2").arg(*written).arg(path)
              : error);
}

void HistoryWindow::OpenRow(int row) {
  if (const HistoryPost* post = model_->PostAt(row)) {
    OpenLinkOrExplain(options_.links, post->link);
  }
}

void HistoryWindow::ShowMenu(const QPoint& at) {
  const QModelIndex index = list_->indexAt(at);
  const HistoryPost* post = model_->PostAt(index.row());
  if (!index.isValid() || !post) return;
  list_->selectRow(index.row());
  QMenu* menu = NewPostMenu(list_, post->link, QString::fromUtf8(post->title),
                            options_.links);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(list_->viewport()->mapToGlobal(at));
}

}  // namespace dw
