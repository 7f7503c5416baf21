#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <string>

#include "app/program.h"
#include "app/rules/rule_editor.h"
#include "app/rules/rule_table_model.h"
#include "app/rules/rules_window.h"
#include "collect/round_fixture.h"
#include "runtime/ui/qt_app.h"
#include "runtime/ui/qt_text.h"

namespace dw::testing {

inline constexpr char kBeta[] = "\xB1\xB4\xCB\xFE";  // 贝塔

// The program started on a database of four rules, its rules window open:
// Alpha (7, ticked), 贝塔 (8, unticked, by number, highest rank), Hidden (9,
// isdo 3) and Delta (10, isdo 2, lowest rank).
class RulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    AddRule(7, "Alpha", 20, "1");
    AddRule(8, kBeta, 30, "0", "8");
    AddRule(9, "Hidden", 10, "3");
    AddRule(10, "Delta", 5, "2");
    StartupOptions options;
    options.database_path = db_.path();
    options.message_box = [](const std::string&, int,
                             const std::optional<std::string>&) { return 0; };
    ASSERT_TRUE(StartProgram(program_, options));
    program_.main_window->RulesButton()->click();
    window_ = program_.rules->Window();
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { EndProgram(program_); }

  void AddRule(int id, const std::string& name, int rank,
               const std::string& isdo, const std::string& type = "0") {
    RuleRow rule =
        ListRule(id, name, "http://127.0.0.1:1/" + std::to_string(id));
    rule.rank = std::to_string(rank);
    rule.isdo = isdo;
    rule.type = type;
    db_.AddRule(rule);
  }

  // Every rule row with each value quoted, so types and bytes both count.
  std::string RuleBytes() {
    sqlite3* db = nullptr;
    sqlite3_open(db_.path().c_str(), &db);
    std::string all;
    sqlite3_exec(
        db,
        "select quote(id)||quote(isdo)||quote(rank)||quote(isgbk)||quote(type)"
        "||quote(name)||quote(url)||quote(cookie)||quote(reg)||quote(before)"
        "||quote(after)||quote(tindex)||quote(idindex)||quote(pinurl)"
        "||quote(lastid) from rule order by id",
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) += std::string(values[0]) + "\n";
          return 0;
        },
        &all, nullptr);
    sqlite3_close(db);
    return all;
  }

  // Selects the rule in the table and opens an editor of `kind` on it.
  RuleEditor* Edit(std::int64_t id, RulesWindow::EditorKind kind =
                                        RulesWindow::EditorKind::kEdit) {
    window_->Table()->selectRow(window_->Model()->RowOfId(id));
    return window_->OpenEditor(kind);
  }

  static QLineEdit* Field(RuleEditor* editor, const char* column) {
    return editor->findChild<QLineEdit*>(column);
  }
  static QLabel* Note(RuleEditor* editor, const std::string& column) {
    return editor->findChild<QLabel*>(QString::fromStdString(column + "_note"));
  }

  static std::string Link(const std::string& id) {
    return "http://deals.example/post/" + id;
  }

  TestDatabase db_;
  Program program_;
  RulesWindow* window_ = nullptr;
};

}  // namespace dw::testing
