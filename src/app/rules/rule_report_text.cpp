#include "app/rules/rule_report_text.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "runtime/convert.h"
#include "runtime/ui/qt_text.h"
#include "text/page_charset.h"

namespace dw {
namespace {

constexpr double kSecondsPerDay = 86400.0;

// The cause of a failed fetch in plain words: what the request layer saw,
// else the answer's status, else the empty page.
QString FetchFailedText(const RuleReport& report) {
  if (report.fetch.out_of_time) return QString::fromUtf8("抓取超时 (60 秒)");
  if (report.fetch.failure != HttpFailure::kNone) {
    return QString::fromUtf8("抓取失败：") +
           HttpFailureText(report.fetch.failure);
  }
  if (report.fetch.status != 0 &&
      (report.fetch.status < 200 || report.fetch.status >= 300)) {
    return QString::fromUtf8("抓取失败 (HTTP %1)").arg(report.fetch.status);
  }
  return QString::fromUtf8("抓取失败：页面是空的");
}

// The status words of a failing step; empty for kNone.
QString FailedStepText(const RuleReport& report) {
  switch (report.failed_step) {
    case FailedStep::kFetch:
      return FetchFailedText(report);
    case FailedStep::kStartMarker:
      return QString::fromUtf8("未找到开始标记");
    case FailedStep::kEndMarker:
      return QString::fromUtf8("未找到结束标记");
    case FailedStep::kEmptyCut:
      return QString::fromUtf8("截取为空");
    case FailedStep::kPattern:
      return QString::fromUtf8(report.pattern.gave_up ? "匹配放弃：回溯过多"
                                                      : "规则无效");
    case FailedStep::kNoMatch:
      return QString::fromUtf8("没有匹配");
    case FailedStep::kNone:
      break;
  }
  return QString();
}

}  // namespace

QString HttpFailureText(HttpFailure failure) {
  return QString::fromUtf8(HttpFailureWords(failure));
}

QString RuleTypeText(const std::string& type) {
  return QString::fromUtf8(ToInteger(type) == 8 ? "按编号" : "按记录");
}

QString RuleStatusText(const RuleHealth* health, DateTime now) {
  if (!health || !health->last) return QString::fromUtf8("未运行");
  const RuleReport& report = *health->last;
  const QString failed = FailedStepText(report);
  if (!failed.isEmpty()) {
    if (!health->next_try) return failed;
    const std::optional<CalendarTime> next = ToCalendarTime(*health->next_try);
    return next ? failed +
                      QString::asprintf(" · %02d:%02d ", next->hour,
                                        next->minute) +
                      QString::fromUtf8("再试")
                : failed;
  }
  if (report.posts.store_failed > 0) {
    return QString::fromUtf8("保存失败 %1 条").arg(report.posts.store_failed);
  }
  if (report.fetch.unchanged) {
    return QString::fromUtf8("正常 · 未变化 · %1")
        .arg(RelativeTimeText(report.ran_at, now));
  }
  return QString::fromUtf8("正常 · 找到 %1 条 · %2")
      .arg(report.pattern.matches)
      .arg(RelativeTimeText(report.ran_at, now));
}

QString RuleStatusTip(const RuleHealth* health) {
  if (!health || !health->last)
    return QString::fromUtf8("启动以来还没有采集过");
  QString tip = QString::fromUtf8("最近一次采集：%1")
                    .arg(ExactTimeText(health->last->ran_at));
  const QString failed = FailedStepText(*health->last);
  if (!failed.isEmpty()) tip += "\n" + failed;
  if (health->failing_rounds > 0) {
    tip += QString::fromUtf8("\n连续 %1 轮失败").arg(health->failing_rounds);
  }
  if (health->next_try) {
    tip +=
        QString::fromUtf8("\n暂不采集，下次尝试：%1（测试或保存它会立刻再试）")
            .arg(ExactTimeText(*health->next_try));
  }
  if (health->last->fetch.unchanged) {
    tip += QString::fromUtf8("\n页面与上次相同，没有重新解析");
  }
  if (health->last_new) {
    tip += QString::fromUtf8("\n最近新帖：%1")
               .arg(ExactTimeText(*health->last_new));
  }
  if (health->waiting_posts > 0) {
    tip += QString::fromUtf8("\n%1 条帖子等待保存（稍后自动再试）")
               .arg(health->waiting_posts);
  }
  return tip;
}

QString RelativeTimeText(DateTime then, DateTime now) {
  const double seconds = std::max(0.0, (now.days - then.days) * kSecondsPerDay);
  const auto whole = [](double value) {
    return static_cast<long long>(std::floor(value));
  };
  if (seconds < 60) return QString::fromUtf8("刚刚");
  if (seconds < 3600) {
    return QString::fromUtf8("%1 分钟前").arg(whole(seconds / 60));
  }
  if (seconds < kSecondsPerDay) {
    return QString::fromUtf8("%1 小时前").arg(whole(seconds / 3600));
  }
  return QString::fromUtf8("%1 天前").arg(whole(seconds / kSecondsPerDay));
}

QString ExactTimeText(DateTime when) {
  const std::optional<CalendarTime> t = ToCalendarTime(when);
  if (!t) return QString();
  return QString::asprintf("%d/%d/%d %02d:%02d:%02d", t->year, t->month, t->day,
                           t->hour, t->minute, t->second);
}

namespace {

// A title that a wrong decoding turned into question marks: most of its
// characters are "?".
bool MostlyQuestionMarks(const std::string& title) {
  const QString text = GbkToQString(title).simplified();
  return !text.isEmpty() && text.count('?') * 2 > text.size();
}

}  // namespace

std::optional<EncodingAdvice> AdviseEncoding(const RuleReport& report,
                                             bool page_is_gbk) {
  const QString declared = QString::fromStdString(report.fetch.charset);
  switch (CharsetOfName(report.fetch.charset)) {
    case PageCharset::kGbk:
      if (!page_is_gbk) {
        return EncodingAdvice{
            QString::fromUtf8("页面的编码是 %1，“GBK 页面”却没有勾选："
                              "标题会成为问号")
                .arg(declared),
            "1"};
      }
      break;
    case PageCharset::kUtf8:
      if (page_is_gbk) {
        return EncodingAdvice{
            QString::fromUtf8("页面的编码是 %1，“GBK 页面”却勾选了："
                              "标题会成为乱码")
                .arg(declared),
            "0"};
      }
      break;
    case PageCharset::kUnknown:
    case PageCharset::kOther:
      break;
  }
  const auto garbled = std::count_if(
      report.found.begin(), report.found.end(),
      [](const FoundPost& p) { return MostlyQuestionMarks(p.title); });
  if (garbled * 2 > static_cast<long>(report.found.size())) {
    return EncodingAdvice{
        QString::fromUtf8("找到的标题大多是问号：页面的编码多半与“GBK 页面”"
                          "的设置不符"),
        page_is_gbk ? "0" : "1"};
  }
  return std::nullopt;
}

std::vector<StepLine> ReportSteps(const RuleReport& report) {
  const FailedStep failed = report.failed_step;
  // Steps in chain order; a step is reached when no earlier one failed.
  const FailedStep order[] = {FailedStep::kFetch, FailedStep::kStartMarker,
                              FailedStep::kEndMarker, FailedStep::kPattern,
                              FailedStep::kNoMatch};
  int failed_at = 5;
  for (int i = 0; i < 5; ++i) {
    if (order[i] == failed) failed_at = i;
  }
  // An empty cut is the end marker's doing, whatever the pattern.
  if (failed == FailedStep::kEmptyCut) failed_at = 2;
  const QString not_run = QString::fromUtf8("未执行");
  const auto reached = [&](int step) { return step <= failed_at; };

  std::vector<StepLine> lines;
  lines.push_back({QString::fromUtf8("抓取"),
                   failed_at == 0
                       ? FetchFailedText(report) +
                             QString::fromUtf8(" · 尝试 %1 次 · %2 毫秒")
                                 .arg(report.fetch.attempts)
                                 .arg(report.fetch.ms)
                       : QString::fromUtf8("HTTP %1 · %2 字节 · %3 毫秒")
                             .arg(report.fetch.status)
                             .arg(report.fetch.bytes)
                             .arg(report.fetch.ms),
                   failed_at > 0});
  lines.push_back({QString::fromUtf8("开始标记"),
                   !reached(1)              ? not_run
                   : report.cut.start_found ? QString::fromUtf8("找到")
                                            : QString::fromUtf8("未找到"),
                   failed_at > 1});
  lines.push_back(
      {QString::fromUtf8("结束标记"),
       !reached(2) ? not_run
       : failed == FailedStep::kEmptyCut
           ? QString::fromUtf8("找到，但紧跟在开始标记之后：截取为空"
                               "（结束标记为空时总是如此）")
       : report.cut.end_found
           ? QString::fromUtf8("找到，截取 %1 字节").arg(report.cut.bytes)
           : QString::fromUtf8("未找到"),
       failed_at > 2});
  lines.push_back(
      {QString::fromUtf8("匹配规则"),
       !reached(3) ? not_run
       : !report.pattern.compiled
           ? QString::fromUtf8("无法编译，或因可能卡死被拒绝")
       : report.pattern.matches == 0
           ? QString::fromUtf8("没有匹配")
           : QString::fromUtf8("匹配 %1 处").arg(report.pattern.matches),
       failed_at > 4});
  int stored = 0;
  for (const FoundPost& post : report.found) stored += post.stored ? 1 : 0;
  lines.push_back({QString::fromUtf8("帖子"),
                   failed_at < 5
                       ? not_run
                       : QString::fromUtf8("找到 %1 条，其中 %2 条已保存")
                             .arg(report.found.size())
                             .arg(stored),
                   failed_at == 5 && !report.found.empty()});
  return lines;
}

}  // namespace dw
