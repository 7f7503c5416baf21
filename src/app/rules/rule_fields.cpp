#include "app/rules/rule_fields.h"

#include <QStringList>

#include "runtime/ui/qt_text.h"
#include "store/rule_settings.h"
#include "store/rule_table.h"
#include "text/site_cleanup.h"

namespace dw {

const std::vector<RuleField>& RuleFields() {
  static const std::vector<RuleField> kFields = {
      {"id", "编号",
       "1 到 9999；新规则默认取 19 以上空着的编号（下面说出所选编号在匹配之前"
       "的清理）"},
      {"isdo", "勾选",
       "勾选：参与采集；不勾选：列在规则树里但不采集；隐藏：不载入"},
      {"rank", "排序", "数大的排在前面，每轮也先采集"},
      {"isgbk", "GBK 页面",
       "勾选：页面本身是 GBK 编码；不勾选：页面是 UTF-8，先转换成 GBK"},
      {"charset", "字符集",
       "页面既不是 UTF-8 也不是 GBK 时填写它的字符集（如 iso-8859-1、"
       "big5），先按它转换；空着则由“GBK 页面”决定"},
      {"type", "类型",
       "按编号：编号是数字，大于“最后编号”才算新帖；按记录：启动后没见过的"
       "编号算新帖"},
      {"name", "站名", "显示在帖子列表和状态栏，也随帖子保存"},
      {"url", "地址", "要抓取的页面，以 http:// 或 https:// 开头"},
      {"ignore_cert_errors", "证书",
       "https 页面默认核对证书，证书无效就不抓取；只有证书坏了而又信得过的"
       "站点才勾选：勾选后这条规则不核对证书，途中被人改写也看不出来"},
      {"interval_minutes", "间隔（分钟）",
       "这条规则两次采集之间至少隔多少分钟，适合更新慢或不愿被频繁访问的"
       "站点；0：每轮都采集"},
      {"cookie", "Cookie", "只随规则载入，请求不发送它"},
      {"reg", "匹配规则",
       "Perl 正则，不分大小写；在“整理后”的文字里查找：没有换行、制表符、"
       "双引号和单引号"},
      {"before", "开始标记",
       "在“页面原文”里查找，从它第一次出现之后截取；为空时从页面开头截取；"
       "“#引号”代表一个双引号"},
      {"after", "结束标记",
       "在“页面原文”里开始标记之后查找，截取到它之前为止；为空则截取总是空的"
       "（不能保存）；“#引号”代表一个双引号"},
      {"tindex", "标题分组",
       "标题在第几个括号分组：0 = 整个匹配，1 = 第一个括号……"},
      {"idindex", "编号分组", "帖子编号在第几个括号分组"},
      {"pinurl", "链接模板",
       "其中的 [编号分组]（编号分组为 1 时写 [1]）换成帖子编号，得到帖子链接"},
      {"json_strings", "JSON 文本",
       "页面是 JSON 时勾选：标题和链接是 JSON 字符串的内容，其中的 \\uXXXX、"
       "\\\"、\\/ 等转义先解码"},
      {"plain_titles", "纯文本标题",
       "标题是纯文本（如 JSON Feed 的标题）时勾选：其中的 <b>、&amp; 之类"
       "照原样显示，不当作标记或实体"},
      {"lastid", "最后编号",
       "只用于按编号：启动时已知的最大编号，更大的才算新帖；运行中只在内存里"
       "前进"},
  };
  return kFields;
}

FieldTexts RowToTexts(const RuleRow& row) {
  FieldTexts texts;
  texts["id"] = QString::number(row.id);
  for (const RuleField& field : RuleFields()) {
    if (const std::string* cell = RuleRowCell(row, field.column)) {
      texts[field.column] = GbkToQString(*cell);
    } else if (auto value = RuleSettingValue(row, field.column)) {
      texts[field.column] = QString::fromStdString(*value);
    }
  }
  return texts;
}

RuleRow TextsToRow(const FieldTexts& texts,
                   std::vector<RuleProblem>* problems) {
  RuleRow row;
  for (const RuleField& field : RuleFields()) {
    const auto found = texts.find(field.column);
    const QString text = found == texts.end() ? QString() : found->second;
    std::string* cell = RuleRowCell(row, field.column);
    if (RuleSettingValue(row, field.column)) {
      // A check box half-ticked from an odd stored value keeps the default.
      if (!SetRuleSetting(row, field.column, text.trimmed().toStdString()) &&
          !IsSwitchSetting(field.column)) {
        problems->push_back(
            {field.column, SettingValueRule(field.column, /*chinese=*/true)});
      }
      continue;
    }
    if (!cell) {  // the id: the key, a number
      bool ok = false;
      row.id = text.trimmed().toLongLong(&ok);
      if (!ok) problems->push_back({field.column, "必须是整数"});
      continue;
    }
    std::string gbk = QStringToGbk(text);
    if (GbkToQString(gbk) != text) {
      problems->push_back({field.column, "含有 GBK 无法表示的字符"});
      continue;
    }
    *cell = std::move(gbk);
  }
  return row;
}

QString IdHelpText(std::int64_t id) {
  QString help =
      QString::fromUtf8("%1 到 %2。").arg(kFirstRuleId).arg(kLastRuleId);
  const int rule_id =
      id >= kFirstRuleId && id <= kLastRuleId ? static_cast<int>(id) : 0;
  const auto steps = SiteCleanUpSteps(rule_id);
  if (steps.empty()) {
    return help + QString::fromUtf8(
                      "编号 %1 没有站点专用的清理：匹配规则看到的"
                      "就是“整理后”那一页")
                      .arg(id);
  }
  QStringList said;
  for (const CleanUpStep& step : steps) {
    const QString find = QString::fromLatin1(step.find);
    const QString by = QString::fromLatin1(step.replacement);
    if (step.by_pattern) {
      said
          << (by.isEmpty()
                  ? QString::fromUtf8("删去匹配 %1 的文字").arg(find)
                  : QString::fromUtf8("把匹配 %1 的文字换成 %2").arg(find, by));
    } else {
      said << (by.isEmpty() ? QString::fromUtf8("删去 %1").arg(find)
                            : QString::fromUtf8("把 %1 换成 %2").arg(find, by));
    }
  }
  return help + QString::fromUtf8(
                    "编号 %1 的规则在匹配之前另有站点专用的清理："
                    "%2。从页面抄来的匹配规则可能因此找不到帖子")
                    .arg(id)
                    .arg(said.join(QString::fromUtf8("；")));
}

QString ProblemText(const RuleProblem& problem) {
  const auto text = [](const char* utf8) { return QString::fromUtf8(utf8); };
  const QString detail = QString::fromStdString(problem.detail);
  switch (problem.check) {
    case RuleCheck::kWholeNumber:
      return text("不是整数");
    case RuleCheck::kGroupRange:
      return text("必须是 0 到 %1 的整数（匹配规则里有 %1 个括号分组）")
          .arg(detail);
    case RuleCheck::kIdRange:
      return text("必须是 %1 到 %2").arg(kFirstRuleId).arg(kLastRuleId);
    case RuleCheck::kHttpAddress:
      return text("必须以 http:// 或 https:// 开头");
    case RuleCheck::kEmpty:
      return text("不能为空");
    case RuleCheck::kPatternRefused:
      return text("被拒绝：匹配引擎读这种写法会停不下来");
    case RuleCheck::kPatternCompile:
      return text("无法编译：%1（第 %2 个字符处）")
          .arg(detail)
          .arg(problem.position);
    case RuleCheck::kZeroOrOne:
      return text("只能是 0 或 1");
    case RuleCheck::kSiteCleanUp:
      return text(
          "匹配之前会先做某个站点专用的清理；编号 7 到 11、13 到 9999 没有");
    case RuleCheck::kLinkLacksId:
      return text("缺少 %1：帖子编号放不进链接").arg(detail);
    case RuleCheck::kCutFromTop:
      return text("为空：从页面开头截取");
    case RuleCheck::kCutEmpty:
      return text("为空：空的结束标记一开始就算找到，截取总是空的");
    case RuleCheck::kTooLong:
      return text("太长：最多 %1 字节").arg(detail);
    case RuleCheck::kZeroByte:
      return text("含有零字节，规则文本里不能有");
    case RuleCheck::kOther:
      break;
  }
  return QString::fromStdString(problem.message);
}

std::vector<std::string> DifferingColumns(const RuleRow& a, const RuleRow& b) {
  std::vector<std::string> columns;
  for (const RuleField& field : RuleFields()) {
    const std::string* cell_a = RuleRowCell(a, field.column);
    const std::string* cell_b = RuleRowCell(b, field.column);
    const auto setting_a = RuleSettingValue(a, field.column);
    const bool same = cell_a ? *cell_a == *cell_b
                      : setting_a
                          ? setting_a == RuleSettingValue(b, field.column)
                          : a.id == b.id;
    if (!same) columns.push_back(field.column);
  }
  return columns;
}

}  // namespace dw
