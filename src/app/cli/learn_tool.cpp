#include "app/cli/learn_tool.h"

#include <optional>
#include <string>

#include "app/cli/probe_tool.h"
#include "learn/learn_rule.h"
#include "learn/repair_rule.h"
#include "runtime/gb18030.h"
#include "store/rule_row.h"
#include "store/rule_settings.h"
#include "text/page_text.h"

namespace dw {
namespace {

void PrintJson(const LearnResult& result, std::ostream& out,
               std::ostream& err) {
  out << "{\"proposals\": [";
  for (size_t p = 0; p < result.proposals.size(); ++p) {
    const Proposal& proposal = result.proposals[p];
    out << (p ? ", " : "") << "{\"rule\": ";
    WriteRuleJson(proposal.rule, out, err);
    out << ", \"posts\": [";
    for (size_t i = 0; i < proposal.posts.size(); ++i) {
      const FoundPost& post = proposal.posts[i];
      out << (i ? ", " : "") << "{\"id\": " << JsonString(ShowUtf8(post.id))
          << ", \"title\": " << JsonString(ShowUtf8(post.title))
          << ", \"link\": " << JsonString(ShowUtf8(post.link))
          << ", \"stored\": " << (post.stored ? "true" : "false") << "}";
    }
    out << "], \"note\": " << JsonString(proposal.note) << "}";
  }
  out << "], \"failed\": ";
  if (result.failed == LearnFailure::kNone) {
    out << "null";
  } else {
    out << JsonString(LearnFailureName(result.failed));
  }
  out << "}\n";
  if (!result.message.empty()) err << "dealwatcher: " << result.message << "\n";
}

void PrintText(const LearnResult& result, std::ostream& out) {
  for (size_t p = 0; p < result.proposals.size(); ++p) {
    const Proposal& proposal = result.proposals[p];
    const RuleRow& rule = proposal.rule;
    out << "proposal " << p + 1 << ": " << proposal.note << "\n";
    for (const char* column : kRuleColumns) {
      const std::string* cell = RuleRowCell(rule, column);
      if (cell && !cell->empty()) {
        out << "  " << column << ": " << ShowUtf8(*cell) << "\n";
      } else if (!cell) {
        out << "  id: " << rule.id << "\n";
      }
    }
    for (const char* name : kRuleSettings) {
      if (!IsDefaultRuleSetting(rule, name)) {
        out << "  " << name << ": " << *RuleSettingValue(rule, name) << "\n";
      }
    }
    for (const FoundPost& post : proposal.posts) {
      out << "  " << (post.stored ? "stored" : "new") << "\t"
          << ShowUtf8(post.id) << "\t" << ShowUtf8(post.title) << "\t"
          << ShowUtf8(post.link) << "\n";
    }
  }
  if (result.failed != LearnFailure::kNone) {
    out << "failed: " << LearnFailureName(result.failed) << ": "
        << result.message << "\n";
  } else if (!result.message.empty()) {
    out << "note: " << result.message << "\n";
  }
}

int Finish(LearnResult& result, const ToolRequest& request, Database& db,
           std::ostream& out, std::ostream& err) {
  MarkStoredPosts(db, result);
  if (request.json) {
    PrintJson(result, out, err);
  } else {
    PrintText(result, out);
  }
  return result.proposals.empty() ? kToolFailed : kToolOk;
}

}  // namespace

int LearnRuleTool(const ToolRequest& request, std::ostream& out,
                  std::ostream& err) {
  LearnRequest learn;
  learn.url = Utf8ToGbk(request.learn_url);
  for (const std::string& example : request.examples) {
    std::string gbk = Utf8ToGbk(example);
    if (GbkToUtf8(gbk) != example) {
      err << "dealwatcher: the example \"" << example
          << "\" is not sound UTF-8 text\n";
      return kToolUsageError;
    }
    learn.examples.push_back(std::move(gbk));
  }
  if (!ReadPage(request, &learn.page_bytes, err)) return kToolUsageError;
  Database db;
  if (!OpenDatabase(request, db, err)) return kToolUsageError;
  bool loaded = false;
  learn.rows = LoadRuleRows(db, &loaded);
  if (!loaded) {
    err << "dealwatcher: cannot read the rules of " << request.database << "\n";
    return kToolUsageError;
  }
  LearnResult result = LearnRule(learn);
  return Finish(result, request, db, out, err);
}

int RepairRuleTool(const ToolRequest& request, std::ostream& out,
                   std::ostream& err) {
  RepairRequest repair;
  if (!ReadPage(request, &repair.page_bytes, err)) return kToolUsageError;
  Database db;
  if (!OpenDatabase(request, db, err)) return kToolUsageError;
  const std::optional<RuleRow> row = ToolRule(request, db, err);
  if (!row) return kToolUsageError;
  repair.rule = *row;
  repair.stored = NewestStoredPosts(db, row->id);
  LearnResult result = RepairRule(repair);
  return Finish(result, request, db, out, err);
}

}  // namespace dw
