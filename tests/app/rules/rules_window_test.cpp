#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QTreeWidget>
#include <chrono>
#include <functional>
#include <sstream>

#include "app/cli/command_line.h"
#include "app/rules/code_inputs.h"
#include "app/rules/health_board.h"
#include "app/rules/keywords_tab.h"
#include "app/rules/reminders_tab.h"
#include "app/rules/rule_fields.h"
#include "app/rules/rule_report_text.h"
#include "app/rules/rule_test_runner.h"
#include "collect/rule_chain.h"
#include "rules_fixture.h"
#include "runtime/temp_dir.h"
#include "store/rule_loader.h"
#include "store/user_edits.h"
#include "text/site_cleanup.h"

namespace dw::testing {
namespace {

RuleHealth Health(FailedStep step, int failing_rounds = 0) {
  RuleHealth health;
  health.last.emplace();
  health.last->failed_step = step;
  health.failing_rounds = failing_rounds;
  return health;
}

TEST(RuleStatusText, NamesTheStepThatFailed) {
  const DateTime now{46000.5};
  RuleHealth good = Health(FailedStep::kNone);
  good.last->pattern.matches = 30;
  good.last->ran_at = DateTime{now.days - 3.5 / 1440};
  RuleHealth refused = Health(FailedStep::kFetch);
  refused.last->fetch.failure = HttpFailure::kRefused;
  RuleHealth empty = Health(FailedStep::kFetch);
  empty.last->fetch.status = 200;
  RuleHealth not_found = Health(FailedStep::kFetch);
  not_found.last->fetch.status = 404;
  RuleHealth unstored = Health(FailedStep::kNone);
  unstored.last->posts.store_failed = 2;
  const struct {
    const RuleHealth* health;
    const char* text;
  } cases[] = {
      {nullptr, "未运行"},
      {&good, "正常 · 找到 30 条 · 3 分钟前"},
      {&refused, "抓取失败：连接被拒绝"},
      {&empty, "抓取失败：页面是空的"},
      {&not_found, "抓取失败 (HTTP 404)"},
      {&unstored, "保存失败 2 条"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RuleStatusText(c.health, now), QString::fromUtf8(c.text));
  }
  const struct {
    FailedStep step;
    const char* text;
  } steps[] = {{FailedStep::kStartMarker, "未找到开始标记"},
               {FailedStep::kEndMarker, "未找到结束标记"},
               {FailedStep::kPattern, "规则无效"},
               {FailedStep::kNoMatch, "没有匹配"}};
  for (const auto& c : steps) {
    const RuleHealth health = Health(c.step);
    EXPECT_EQ(RuleStatusText(&health, now), QString::fromUtf8(c.text));
  }
}

TEST(AdviseEncoding, DeclarationsAndQuestionMarkTitlesAgainstTheSetting) {
  const struct {
    const char* charset;
    std::vector<std::string> titles;
    bool gbk;
    const char* advised;  // "" for none
  } cases[] = {
      {"gb2312", {"ok"}, false, "1"}, {"utf-8", {"ok"}, true, "0"},
      {"gbk", {"ok"}, true, ""},      {"", {"????", "?? ??", "ok"}, false, "1"},
      {"", {"????", "ok"}, true, ""},
  };
  for (const auto& c : cases) {
    RuleReport report;
    report.fetch.charset = c.charset;
    for (const std::string& title : c.titles)
      report.found.push_back({"", title});
    const std::optional<EncodingAdvice> advice = AdviseEncoding(report, c.gbk);
    EXPECT_EQ(advice ? advice->isgbk : "", c.advised) << c.charset;
  }
}

TEST_F(RulesTest, ANewRuleTakesAnIdWithoutCleanUpAndTheHelpSaysWhatEachDoes) {
  EXPECT_EQ(window_->Model()->index(0, RuleTableModel::kId).data(), "8");
  RuleEditor* editor = window_->OpenEditor(RulesWindow::EditorKind::kNew);
  EXPECT_EQ(editor->FieldText("id"), "19");  // above the first table
  auto* help = editor->findChild<QLabel*>("id_help");
  for (int id : {1, 2, 3, 4, 5, 6, 7, 11, 12, 13, 18, 19, kLastRuleId}) {
    Field(editor, "id")->setText(QString::number(id));
    EXPECT_EQ(help->text().contains(QString::fromUtf8("没有站点专用的清理")),
              !HasSiteCleanUp(id))
        << id;
    for (const CleanUpStep& step : SiteCleanUpSteps(id)) {
      EXPECT_TRUE(help->text().contains(step.find)) << id << step.find;
    }
  }
  // Once tested, the rule is tested again under each new id.
  Field(editor, "url")->setText("http://127.0.0.1:1/");
  editor->Test();
  ASSERT_TRUE(test::WaitUntil([&] { return !editor->Runner().Running(); }));
  Field(editor, "id")->setText("13");
  EXPECT_TRUE(editor->Runner().Running());
}

TEST_F(RulesTest, TableListsEveryRuleByRankWithHealthAndHiddenGreyed) {
  EXPECT_EQ(window_->windowTitle(), QString::fromUtf8("规则管理"));
  program_.main_window->RulesButton()->click();  // raises the same window
  EXPECT_EQ(program_.rules->Window(), window_);
  EXPECT_EQ(window_->Tabs()->tabText(0), QString::fromUtf8("规则"));
  EXPECT_EQ(window_->Tabs()->tabText(1), QString::fromUtf8("关键词"));
  HealthBoard& board = program_.view->Health();
  board.Set(7, Health(FailedStep::kStartMarker, kUnhealthyAfterRounds));
  board.Set(10, Health(FailedStep::kNoMatch, 1));
  RuleTableModel* model = window_->Model();
  const struct {
    const char* name;
    Qt::CheckState tick;
    const char* type;
    const char* status;
  } rows[] = {{"贝塔", Qt::Unchecked, "按编号", "未运行"},
              {"Alpha", Qt::Checked, "按记录", "未找到开始标记"},
              {"Hidden", Qt::Unchecked, "按记录", "已隐藏"},
              {"Delta", Qt::Unchecked, "按记录", "没有匹配"}};
  ASSERT_EQ(model->rowCount(), 4);
  for (int r = 0; r < 4; ++r) {
    const auto cell = [&](int column, int role = Qt::DisplayRole) {
      return model->index(r, column).data(role);
    };
    EXPECT_EQ(cell(RuleTableModel::kName).toString(),
              QString::fromUtf8(rows[r].name));
    EXPECT_EQ(cell(RuleTableModel::kTick, Qt::CheckStateRole), rows[r].tick);
    EXPECT_EQ(cell(RuleTableModel::kType).toString(),
              QString::fromUtf8(rows[r].type));
    EXPECT_EQ(cell(RuleTableModel::kStatus).toString(),
              QString::fromUtf8(rows[r].status));
  }
  // Only the unhealthy rule is marked; the hidden one is grey and untickable.
  EXPECT_EQ(model->index(1, RuleTableModel::kStatus)
                .data(Qt::ForegroundRole)
                .value<QBrush>()
                .color(),
            QColor(Qt::red));
  EXPECT_FALSE(
      model->index(1, RuleTableModel::kName).data(Qt::DecorationRole).isNull());
  EXPECT_TRUE(
      model->index(3, RuleTableModel::kName).data(Qt::DecorationRole).isNull());
  EXPECT_EQ(model->index(2, RuleTableModel::kName)
                .data(Qt::ForegroundRole)
                .value<QBrush>()
                .color(),
            QColor(Qt::gray));
  EXPECT_FALSE(model->flags(model->index(2, RuleTableModel::kTick)) &
               Qt::ItemIsUserCheckable);
  QApplication::setActiveWindow(window_);
  QTest::keyClick(window_->Table(), Qt::Key_Escape);  // Esc closes it
  EXPECT_FALSE(window_->isVisible());
  window_->show();

  // A second row with the id of a row ranked higher never runs.
  AddRule(8, "Twin", 1, "1");
  window_->Reload();
  ASSERT_EQ(model->rowCount(), 5);
  EXPECT_EQ(model->index(4, RuleTableModel::kStatus).data().toString(),
            QString::fromUtf8("编号重复，不运行"));
  EXPECT_EQ(model->index(0, RuleTableModel::kStatus).data().toString(),
            QString::fromUtf8("未运行"));

  // Hundreds of sites, up to the last id; one past it is named, not run.
  ASSERT_TRUE(DbExecute(
      program_.state.database,
      "WITH RECURSIVE n(i) AS (SELECT 19 UNION ALL SELECT i + 1 FROM n "
      "WHERE i < 517) INSERT INTO rule(id, isdo, rank, name, url, reg, "
      "before, after, tindex, idindex, pinurl, type) SELECT i, '1', -i, "
      "'s' || i, 'http://127.0.0.1:1/', 'x', 'a', 'b', 0, 0, '', 0 FROM n;"
      "INSERT INTO rule(id, isdo, rank, name) VALUES (9999, '1', -9999, "
      "'Last'), (10000, '1', -10000, 'Past')"));
  window_->Reload();
  ASSERT_EQ(model->rowCount(), 5 + 499 + 2);
  EXPECT_EQ(model->index(503, RuleTableModel::kName).data().toString(), "s517");
  EXPECT_EQ(model->index(504, RuleTableModel::kStatus).data().toString(),
            QString::fromUtf8("未运行"));
  EXPECT_EQ(model->index(505, RuleTableModel::kStatus).data().toString(),
            QString::fromUtf8("编号超出 1 到 9999，不运行"));
  ProgramState& state = program_.state;
  ASSERT_TRUE(LoadRules(state.database, state.record_set, state.rule_table,
                        *program_.view));
  const ChosenRules ticked = TickedRules(*program_.view);
  ASSERT_EQ(ticked.size(), 1u + 499 + 1);  // Alpha, 19 to 517, 9999
  EXPECT_EQ(ticked.back(), 9999);
  EXPECT_EQ(state.rule_table.Cell(517, kRuleName), "s517");
}

TEST_F(RulesTest, TicksWriteIsdoAndTheTreeAndTheButtonCountsUnhealthyTicked) {
  QPushButton* button = program_.main_window->RulesButton();
  EXPECT_EQ(button->geometry(), QRect(476, 5, 77, 32));
  EXPECT_EQ(button->text(), QString::fromUtf8("规则"));
  HealthBoard& board = program_.view->Health();
  board.Set(7, Health(FailedStep::kFetch, kUnhealthyAfterRounds));
  board.Set(8, Health(FailedStep::kPattern, kUnhealthyAfterRounds));
  board.Set(10, Health(FailedStep::kPattern, kUnhealthyAfterRounds - 1));
  EXPECT_EQ(button->text(), QString::fromUtf8("规则 (1)"));  // 8 is unticked
  EXPECT_TRUE(button->styleSheet().contains("#c00000"));
  EXPECT_TRUE(button->toolTip().contains("Alpha"));

  RuleTableModel* model = window_->Model();
  const auto tick = [&](std::int64_t id, bool on) {
    model->setData(model->index(model->RowOfId(id), RuleTableModel::kTick),
                   on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
  };
  tick(8, true);
  tick(7, false);
  EXPECT_EQ(button->text(), QString::fromUtf8("规则 (1)"));
  EXPECT_TRUE(button->toolTip().contains(QString::fromUtf8("贝塔")));
  EXPECT_FALSE(button->toolTip().contains("Alpha"));
  tick(7, true);
  EXPECT_EQ(button->text(), QString::fromUtf8("规则 (2)"));
  board.Set(8, Health(FailedStep::kNone));
  EXPECT_EQ(button->text(), QString::fromUtf8("规则 (1)"));
  program_.view->ShowWaitingPosts(3, "database is locked");
  EXPECT_EQ(button->text(), QString::fromUtf8("规则 (1) · 3 条待存"));
  EXPECT_TRUE(button->toolTip().contains("database is locked"));
  program_.view->ShowWaitingPosts(0, "");
  EXPECT_EQ(button->text(), QString::fromUtf8("规则 (1)"));
  tick(10, true);
  tick(7, false);

  Database db;
  ASSERT_TRUE(DbOpen(db, db_.path()));
  std::map<std::int64_t, std::string> isdo;
  for (const dw::RuleRow& row : LoadRuleRows(db)) isdo[row.id] = row.isdo;
  EXPECT_EQ(isdo, (std::map<std::int64_t, std::string>{
                      {7, "0"}, {8, "1"}, {9, "3"}, {10, "1"}}));
  EXPECT_EQ(model->index(model->RowOfId(10), RuleTableModel::kTick)
                .data(Qt::CheckStateRole),
            Qt::Checked);
  // Tree order is rank order: 贝塔, Alpha, Delta.
  EXPECT_EQ(TickedRules(*program_.view), (ChosenRules{8, 10}));
}

TEST_F(RulesTest, EditorRefusesEachErrorAtItsFieldAndWritesNothing) {
  const std::string before = RuleBytes();
  const struct {
    std::int64_t rule;
    RulesWindow::EditorKind kind;
    const char* column;
    QString text;
  } cases[] = {
      {7, RulesWindow::EditorKind::kEdit, "url", "ftp://example.test/"},
      {7, RulesWindow::EditorKind::kEdit, "reg", "(unclosed"},
      {7, RulesWindow::EditorKind::kEdit, "tindex", "9"},
      {7, RulesWindow::EditorKind::kEdit, "idindex", "x"},
      {7, RulesWindow::EditorKind::kEdit, "isgbk", "2"},
      {7, RulesWindow::EditorKind::kEdit, "interval_minutes", "an hour"},
      // A lone surrogate, the one character with no form in GBK text.
      {7, RulesWindow::EditorKind::kEdit, "name", QString(QChar(0xD800))},
      {7, RulesWindow::EditorKind::kCopy, "id", "10000"},
      {7, RulesWindow::EditorKind::kCopy, "id", "8"},  // used by 贝塔
  };
  for (const auto& c : cases) {
    RuleEditor* editor = Edit(c.rule, c.kind);
    ASSERT_NE(editor, nullptr);
    editor->SetFieldText(c.column, c.text);
    QTest::mouseClick(editor->findChild<QPushButton*>("save"), Qt::LeftButton);
    EXPECT_TRUE(Note(editor, c.column)->isVisibleTo(editor)) << c.column;
    EXPECT_FALSE(Note(editor, c.column)->property("warning").toBool());
    EXPECT_EQ(editor->FieldText(c.column), c.text);
    EXPECT_EQ(RuleBytes(), before) << c.column;
    // 测试 fetches only what 保存 would take as an address.
    QTest::mouseClick(editor->findChild<QPushButton*>("test"), Qt::LeftButton);
    const std::string column = c.column;
    EXPECT_EQ(editor->Runner().Running(), column != "url" && column != "name" &&
                                              column != "interval_minutes");
    editor->close();
  }
  RuleEditor* editor = Edit(7);
  Field(editor, "reg")->setText(QString::fromUtf8("(价格|"));
  ASSERT_FALSE(editor->Save());
  EXPECT_EQ(Note(editor, "reg")->text(),
            QString::fromUtf8(
                "无法编译：missing closing parenthesis（第 5 个字符处）"));
}

TEST_F(RulesTest, SaveWritesGbkThatReloadsToTheSameRowAndRefusesStaleEdits) {
  RuleEditor* editor = Edit(8);
  const std::string unchanged = RuleBytes();
  ASSERT_TRUE(editor->Save());
  EXPECT_EQ(RuleBytes(), unchanged);  // an unchanged save is byte for byte

  Field(editor, "name")->setText(QString::fromUtf8("测试站"));
  Field(editor, "reg")->setText("<li><a href=/p/(\\d+)>(.*?)</a>");
  Field(editor, "pinurl")->setText("http://deals.example/p/");
  program_.state.health[8] = Health(FailedStep::kNoMatch, 5);
  program_.view->Health().Set(8, program_.state.health[8]);
  ASSERT_TRUE(editor->Save());  // a warning does not stop it
  // The edited rule's failing rounds are forgotten.
  EXPECT_EQ(program_.view->Health().Find(8), nullptr);
  EXPECT_EQ(program_.state.health.count(8), 0u);
  EXPECT_TRUE(Note(editor, "pinurl")->property("warning").toBool());
  EXPECT_TRUE(
      Note(editor, "pinurl")->text().contains(QString::fromUtf8("缺少 [1]")));
  EXPECT_TRUE(RuleBytes().find("'\xB2\xE2\xCA\xD4\xD5\xBE'") !=  // GBK 测试站
              std::string::npos);
  RuleEditor* again = Edit(8);
  for (const RuleField& field : RuleFields()) {
    EXPECT_EQ(again->FieldText(field.column), editor->FieldText(field.column));
  }
  // Idle: the tree shows the change at once.
  EXPECT_EQ(program_.main_window->RuleTree()->topLevelItem(0)->text(0),
            QString::fromUtf8("测试站"));
  EXPECT_EQ(window_->findChild<QLabel*>("message")->text(),
            QString::fromUtf8("已保存，已生效"));

  // A tick written by the window meanwhile is no conflict.
  window_->Model()->setData(window_->Model()->index(0, RuleTableModel::kTick),
                            Qt::Checked, Qt::CheckStateRole);
  ASSERT_TRUE(again->Save());
  EXPECT_EQ(again->FieldText("isdo"), "1");
  // Written elsewhere after the editor loaded it: said, and not overwritten.
  db_.Exec("update rule set url='http://moved.test/' where id=8");
  const std::string moved = RuleBytes();
  Field(again, "name")->setText("Other");
  EXPECT_FALSE(again->Save());
  EXPECT_TRUE(again->findChild<QLabel*>("banner")->text().contains("url"));
  EXPECT_EQ(RuleBytes(), moved);
}

// An empty name is only a warning, but one that 保存 stops at once.
TEST_F(RulesTest, AnEmptyNameIsSaidOnceAndTheNextSaveKeepsIt) {
  RuleEditor* editor = Edit(8);
  const std::string before = RuleBytes();
  Field(editor, "name")->setText(" ");
  EXPECT_FALSE(editor->Save());
  EXPECT_TRUE(Note(editor, "name")->property("warning").toBool());
  EXPECT_TRUE(Note(editor, "name")->isVisibleTo(editor));
  EXPECT_EQ(RuleBytes(), before);
  ASSERT_TRUE(editor->Save());
  EXPECT_NE(RuleBytes().find("' ''http"), std::string::npos);  // name, url
}

TEST_F(RulesTest, ChangesReachTheEngineOnlyWhileNoWorkerRuns) {
  ProgramState& state = program_.state;
  state.rule_table.Cell(8, kRuleLastid) = "500";  // advanced by the engine
  QPushButton* start = program_.main_window->StartButton();
  start->click();  // collecting
  // Past the first run's writes: the worker then only waits for its next.
  ASSERT_TRUE(test::WaitUntil(
      [&] { return program_.view->Health().Find(7) != nullptr; }, 30000));
  RuleEditor* editor = Edit(7);
  Field(editor, "name")->setText("Renamed");
  ASSERT_TRUE(editor->Save());
  EXPECT_EQ(window_->findChild<QLabel*>("message")->text(),
            QString::fromUtf8("已保存，下一轮生效"));
  EXPECT_EQ(editor->findChild<QLabel*>("banner")->text(),
            QString::fromUtf8("已保存，下一轮生效"));
  EXPECT_EQ(state.rule_table.Cell(7, kRuleName), "Alpha");
  window_->Tabs()->setCurrentIndex(1);
  window_->Keywords()->findChild<QPlainTextEdit*>("keywd")->setPlainText(
      QString::fromUtf8("优惠\n\n券"));
  ASSERT_TRUE(window_->Keywords()->Save());

  start->click();  // paused: loaded as soon as the worker has ended
  ASSERT_TRUE(test::WaitUntil(
      [&] { return state.rule_table.Cell(7, kRuleName) == "Renamed"; }));
  EXPECT_EQ(state.rule_table.Cell(8, kRuleLastid), "500");
  EXPECT_EQ(state.keyword_list,
            (KeywordList{"\xD3\xC5\xBB\xDD", "", "\xC8\xAF"}));  // 优惠, 券
  EXPECT_EQ(ReadKeywordText(state.database),
            std::string("\xD3\xC5\xBB\xDD\r\n\r\n\xC8\xAF"));
  EXPECT_FALSE(program_.rules->ReloadPending());
  // The notes that said the change waits go once it took effect.
  EXPECT_EQ(window_->findChild<QLabel*>("message")->text(),
            QString::fromUtf8("已保存，已生效"));
  EXPECT_EQ(editor->findChild<QLabel*>("banner")->text(),
            QString::fromUtf8("已保存，已生效"));
}

TEST_F(RulesTest, CodedFieldsAreListsThatKeepAnyOtherStoredValue) {
  db_.Exec("update rule set type='5' where id=10");
  window_->Reload();
  const std::string stored = RuleBytes();
  RuleEditor* editor = Edit(10);  // Delta: isdo 2, GBK page
  auto* isdo = editor->findChild<CodeList*>("isdo");
  auto* type = editor->findChild<CodeList*>("type");
  auto* isgbk = editor->findChild<CodeCheck*>("isgbk");
  ASSERT_TRUE(isdo && type && isgbk);
  EXPECT_EQ(isdo->currentText(), QString::fromUtf8("其他 (2)"));
  EXPECT_EQ(type->currentText(), QString::fromUtf8("其他 (5)"));
  EXPECT_EQ(isgbk->checkState(), Qt::Checked);
  ASSERT_TRUE(editor->Save());
  EXPECT_EQ(RuleBytes(), stored);  // kept byte for byte

  emit isdo->activated(2);  // 隐藏
  emit type->activated(1);  // 按编号
  isgbk->click();
  EXPECT_EQ(isdo->count(), 3);  // the other value is gone for good
  ASSERT_TRUE(editor->Save());
  Database db;
  ASSERT_TRUE(DbOpen(db, db_.path()));
  const std::vector<RuleRow> rows = LoadRuleRows(db);
  const auto delta = std::find_if(rows.begin(), rows.end(),
                                  [](const RuleRow& r) { return r.id == 10; });
  ASSERT_NE(delta, rows.end());
  EXPECT_EQ(delta->isdo + delta->type + delta->isgbk, "380");

  editor->SetFieldText("isgbk", "7");
  EXPECT_EQ(isgbk->checkState(), Qt::PartiallyChecked);
  EXPECT_TRUE(isgbk->text().contains(QString::fromUtf8("其他 (7)")));
  EXPECT_EQ(editor->FieldText("isgbk"), "7");
  isgbk->click();
  EXPECT_EQ(editor->FieldText("isgbk"), "1");
}

// A rule's settings of our own travel with it: set in the editor (and
// taken by the engine), copied, exported, deleted and imported with it; a
// file exported before they existed imports them off.
TEST_F(RulesTest, RuleSettingsTravelWithTheirRule) {
  using enum RulesWindow::EditorKind;
  TempDir dir;
  const std::string file = dir.File("rules.json");
  Database db;
  ASSERT_TRUE(DbOpen(db, db_.path()));
  std::ostringstream out;
  const auto tool = [&](const char* option, const std::string& path) {
    return !RunTool(
        ParseToolRequest({"--db", db_.path().c_str(), option, path.c_str()}),
        out, out);
  };
  const auto edit = [&](RulesWindow::EditorKind kind, const char* json,
                        const char* cert) {
    RuleEditor* editor = Edit(7, kind);
    if (json) editor->SetFieldText("json_strings", json);
    if (cert) editor->SetFieldText("ignore_cert_errors", cert);
    return editor->Save();
  };
  const std::string cert = "7:ignore_cert_errors=1 19:ignore_cert_errors=1";
  const struct {
    const char* step;
    std::function<bool()> act;
    std::string kept;  // the rows of our table: id:name=value
  } steps[] = {
      {"ticked", [&] { return edit(kEdit, "1", "1"); },
       "7:ignore_cert_errors=1 7:json_strings=1"},
      {"copied, one unticked", [&] { return edit(kCopy, "0", nullptr); },
       "7:ignore_cert_errors=1 7:json_strings=1 19:ignore_cert_errors=1"},
      {"unticked", [&] { return edit(kEdit, "0", nullptr); }, cert},
      {"exported", [&] { return tool("--export-rules", file); }, cert},
      {"deleted", [&] { return DeleteRuleRow(db, 7) && DeleteRuleRow(db, 19); },
       ""},
      {"imported", [&] { return tool("--import-rules", file); }, cert},
      {"an older file imported",
       [&] {
         const QString text = QString::fromStdString(ReadFile(file))
                                  .remove(", \"ignore_cert_errors\": 1");
         return !text.contains("cert") &&
                tool("--import-rules", dir.Write("old", text.toStdString()));
       },
       ""},
  };
  for (const auto& s : steps) {
    ASSERT_TRUE(s.act()) << s.step;
    RecordSet rows;
    RsOpen(rows,
           "select group_concat(rule_id||':'||name||'='||value, ' ') from "
           "(select * from dw_rule_setting order by rule_id, name)",
           db);
    RsRequery(rows);
    EXPECT_EQ(RsAllRows(rows)(1, 1), s.kept) << s.step;
    if (std::string_view(s.step) == "ticked") {  // idle: taken at once
      const ChainRule engine = ChainRuleFromTable(program_.state.rule_table, 7);
      EXPECT_TRUE(engine.json_strings && engine.ignore_cert_errors);
    }
  }
}

TEST_F(RulesTest, AFailedRunCountsOnTheButtonAtOnceAndSurvivesARestart) {
  program_.state.pacing = {10, 60 * 1000};
  QPushButton* start = program_.main_window->StartButton();
  start->click();  // Alpha alone is ticked; nothing listens at its address
  ASSERT_TRUE(test::WaitUntil(
      [&] { return program_.view->Health().Find(7) != nullptr; }, 30000));
  start->click();
  const QString refused = QString::fromUtf8("抓取失败：连接被拒绝");
  const auto check = [&](Program& program) {
    QPushButton* button = program.main_window->RulesButton();
    EXPECT_EQ(button->text(), QString::fromUtf8("规则 (1)"));
    EXPECT_TRUE(
        button->toolTip().contains("Alpha" + QString::fromUtf8("：") + refused))
        << button->toolTip().toStdString();
    EXPECT_TRUE(button->styleSheet().isEmpty());  // red after three rounds
    EXPECT_EQ(RuleStatusText(program.view->Health().Find(7), Now()), refused);
  };
  check(program_);
  EndProgram(program_);
  // A program started afresh on the file: nothing left over in memory.
  Program restarted;
  StartupOptions options;
  options.database_path = db_.path();
  ASSERT_TRUE(StartProgram(restarted, options));
  check(restarted);
  EndProgram(restarted);
}

// While another program holds the database, a reload keeps the rules, the
// tree and the keywords, and the keyword tab shows it could not read and
// refuses to save over what it never read; both work once it frees.
TEST_F(RulesTest, AHeldDatabaseKeepsWhatIsLoadedAndSavesNothingUnread) {
  ProgramState& state = program_.state;
  KeywordsTab* keywords = window_->Keywords();
  auto* editor = keywords->findChild<QPlainTextEdit*>("keywd");
  db_.SetKeywords("tea");
  keywords->Reload();
  state.keyword_list = {"tea"};
  db_.Exec("BEGIN EXCLUSIVE");
  EXPECT_TRUE(program_.rules->ChangesSaved().contains("database is locked"));
  EXPECT_EQ(program_.main_window->RuleTree()->topLevelItemCount(), 3);
  EXPECT_EQ(state.rule_table.Cell(7, kRuleName), "Alpha");
  EXPECT_EQ(state.keyword_list, (KeywordList{"tea"}));
  EXPECT_TRUE(program_.rules->ReloadPending());
  editor->document()->setModified(false);
  keywords->Reload();
  EXPECT_TRUE(editor->isReadOnly() && editor->toPlainText().isEmpty());
  window_->Reload();
  EXPECT_EQ(window_->Model()->rowCount(), 4);
  RuleTableModel* model = window_->Model();
  model->setData(model->index(model->RowOfId(8), RuleTableModel::kTick),
                 Qt::Checked, Qt::CheckStateRole);
  EXPECT_TRUE(window_->findChild<QLabel*>("message")->text().contains(
      QString::fromUtf8("数据库忙")));
  db_.Exec("COMMIT");
  EXPECT_FALSE(keywords->Save());  // what it never read stays
  EXPECT_EQ(ReadKeywordText(state.database), std::string("tea"));
  EXPECT_EQ(program_.rules->ChangesSaved(),
            QString::fromUtf8("已保存，已生效"));
  keywords->Reload();
  EXPECT_EQ(editor->toPlainText(), QString("tea"));
  EXPECT_TRUE(keywords->Save());
}

// Under another program's write lock a save gives up within one short wait,
// says so, writes nothing and keeps what was typed, and the list says it is
// not fresh; once the lock goes the same save succeeds. A save that fails
// half-way leaves the stored rule as it was.
TEST_F(RulesTest, AHeldDatabaseRefusesASaveAtOnceAndLosesNothing) {
  auto* busy = window_->findChild<QLabel*>("busy");
  for (const auto kind :
       {RulesWindow::EditorKind::kEdit, RulesWindow::EditorKind::kCopy}) {
    RuleEditor* editor = Edit(7, kind);
    Field(editor, "name")->setText("Renamed");
    const std::string before = RuleBytes();
    db_.Exec("BEGIN EXCLUSIVE");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(editor->Save());
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(2 * kGuiBusyWaitMs));
    EXPECT_TRUE(editor->findChild<QLabel*>("banner")->text().contains(
        QString::fromUtf8("数据库忙")));
    EXPECT_EQ(Field(editor, "name")->text(), "Renamed");
    window_->Reload();
    EXPECT_TRUE(busy->isVisible());
    db_.Exec("COMMIT");
    EXPECT_EQ(RuleBytes(), before);
    EXPECT_TRUE(editor->Save());
    EXPECT_FALSE(busy->isVisible());
  }
  db_.Exec(
      "create trigger refuse before insert on rule when new.name='Broken' "
      "begin select raise(abort, 'refused'); end");
  RuleEditor* editor = Edit(7);
  Field(editor, "name")->setText("Broken");
  const std::string before = RuleBytes();
  EXPECT_FALSE(editor->Save());
  EXPECT_EQ(RuleBytes(), before);
}

TEST_F(RulesTest, RemindersTabSavesWhatTheProgramRemindsByAtOnce) {
  RemindersTab* tab = window_->Reminders();
  EXPECT_TRUE(tab->Box("tx_tc")->isChecked());
  EXPECT_FALSE(tab->Box("tx_onlygz")->isChecked());
  tab->Box("tx_wx")->setChecked(true);
  tab->Box("tx_onlygz")->setChecked(true);
  tab->PushAddress()->setText("push.test/key");
  EXPECT_FALSE(tab->Save());  // pushing to nowhere is refused
  EXPECT_FALSE(program_.view->Reminders().only_keywords);
  tab->PushAddress()->setText("https://push.test/key");
  ASSERT_TRUE(tab->Save());
  const ReminderSettings& now = program_.view->Reminders();
  EXPECT_TRUE(now.window && now.push && now.only_keywords);
  EXPECT_EQ(now.push_address, "https://push.test/key");
}

}  // namespace
}  // namespace dw::testing
