#include "app/rules/proposal_view.h"

#include <QBrush>
#include <QFont>
#include <QHeaderView>
#include <QListWidget>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "runtime/ui/qt_text.h"
#include "store/rule_row.h"

namespace dw {
namespace {

QTableWidget* NewTable(const QStringList& headers, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  table->setWordWrap(false);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

}  // namespace

ProposalView::ProposalView(QWidget* parent) : QWidget(parent) {
  list_ = new QListWidget(this);
  list_->setObjectName("proposals");
  list_->setMaximumHeight(80);
  fields_ = NewTable({QString::fromUtf8("字段"), QString::fromUtf8("原规则"),
                      QString::fromUtf8("建议")},
                     this);
  fields_->setObjectName("proposal_fields");
  fields_->verticalHeader()->setDefaultSectionSize(22);
  posts_ = NewTable({QString::fromUtf8("标题"), QString::fromUtf8("链接"),
                     QString::fromUtf8("状态")},
                    this);
  posts_->setObjectName("proposal_posts");
  posts_->verticalHeader()->setDefaultSectionSize(22);
  posts_->setColumnWidth(0, 260);
  posts_->setColumnWidth(1, 260);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(fields_);
  split->addWidget(posts_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_);
  layout->addWidget(split, 1);
  connect(list_, &QListWidget::currentRowChanged, this,
          &ProposalView::ShowProposal);
  connect(list_, &QListWidget::itemActivated, this,
          [this] { emit Activated(); });
}

void ProposalView::Clear() { Show(LearnResult{}, std::nullopt); }

void ProposalView::Show(const LearnResult& result, std::optional<RuleRow> old) {
  result_ = result;
  old_ = std::move(old);
  fields_->setColumnHidden(1, !old_);
  list_->clear();
  for (size_t i = 0; i < result_.proposals.size(); ++i) {
    list_->addItem(QString::fromUtf8("方案 %1：%2")
                       .arg(i + 1)
                       .arg(QString::fromStdString(result_.proposals[i].note)));
  }
  if (list_->count() > 0) {
    list_->setCurrentRow(0);
  } else {
    ShowProposal(-1);
  }
}

const Proposal* ProposalView::Chosen() const {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(result_.proposals.size())) {
    return nullptr;
  }
  return &result_.proposals[row];
}

void ProposalView::ShowProposal(int index) {
  fields_->setRowCount(0);
  posts_->setRowCount(0);
  if (index < 0 || index >= static_cast<int>(result_.proposals.size())) return;
  const Proposal& proposal = result_.proposals[index];
  QFont bold = font();
  bold.setBold(true);
  // What learning decides first, then the rest of the row.
  static const char* const kOrder[] = {
      "reg",  "before", "after", "tindex", "idindex", "pinurl", "isgbk", "url",
      "name", "id",     "type",  "isdo",   "rank",    "cookie", "lastid"};
  for (const char* column : kOrder) {
    const std::string* cell = RuleRowCell(proposal.rule, column);
    const std::string id = std::to_string(proposal.rule.id);
    const int row = fields_->rowCount();
    fields_->insertRow(row);
    fields_->setItem(row, 0, new QTableWidgetItem(column));
    if (old_) {
      const std::string* before = RuleRowCell(*old_, column);
      fields_->setItem(row, 1,
                       new QTableWidgetItem(GbkToQString(
                           before ? *before : std::to_string(old_->id))));
    }
    auto* value = new QTableWidgetItem(GbkToQString(cell ? *cell : id));
    const bool changed =
        std::find(proposal.changed.begin(), proposal.changed.end(), column) !=
        proposal.changed.end();
    if (changed) {
      // The fields a repair changes stand out.
      value->setFont(bold);
      value->setForeground(QBrush(QColor(0xc0, 0x00, 0x00)));
      fields_->item(row, 0)->setFont(bold);
    }
    fields_->setItem(row, 2, value);
  }
  for (const FoundPost& post : proposal.posts) {
    const int row = posts_->rowCount();
    posts_->insertRow(row);
    posts_->setItem(row, 0, new QTableWidgetItem(GbkToQString(post.title)));
    posts_->setItem(row, 1, new QTableWidgetItem(GbkToQString(post.link)));
    posts_->setItem(
        row, 2,
        new QTableWidgetItem(QString::fromUtf8(post.stored ? "已存" : "新")));
  }
}

}  // namespace dw
