// The words the rules window uses for a rule's health and for the steps of
// one run: the step that failed is named, never a bare "failed".
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "collect/rule_health.h"
#include "collect/rule_report.h"

namespace dw {

// Why a fetch brought nothing, in plain words ("连接被拒绝", "超时", ...);
// empty for kNone.
QString HttpFailureText(HttpFailure failure);

// "按编号" for type 8 (read as the engine reads it), "按记录" otherwise.
QString RuleTypeText(const std::string& type);

// The status column: "未运行" before the first run; the failing step
// ("抓取失败：连接被拒绝", "抓取失败 (HTTP 404)", "未找到开始标记",
// "未找到结束标记", "规则无效", "没有匹配"); "保存失败 N 条" when posts could
// not be stored; otherwise "正常 · 找到 N 条 · 3 分钟前".
QString RuleStatusText(const RuleHealth* health, DateTime now);

// The status column's tooltip: the exact time of the last run, the rounds
// failed in a row and when a post was last new.
QString RuleStatusTip(const RuleHealth* health);

// "刚刚", "N 分钟前", "N 小时前" or "N 天前".
QString RelativeTimeText(DateTime then, DateTime now);
// "2026/12/7 09:05:03" (24-hour clock); empty for a date out of range.
QString ExactTimeText(DateTime when);

// What a test suggests of the rule's GBK 页面 setting when the page seems
// read in the wrong encoding: its page declares another one, or most titles
// found came out as question marks.
struct EncodingAdvice {
  QString text;
  std::string isgbk;  // the setting that would read the page right
};
std::optional<EncodingAdvice> AdviseEncoding(const RuleReport& report,
                                             bool page_is_gbk);

// One step of a run as the test shows it.
struct StepLine {
  QString step;
  QString outcome;
  bool ok = false;
};

// Fetch, start marker, end marker, pattern and posts, in order; steps after
// the failing one read "未执行".
std::vector<StepLine> ReportSteps(const RuleReport& report);

}  // namespace dw
