#include "net/http_request.h"

namespace dw {

const char* HttpFailureName(HttpFailure failure) {
  switch (failure) {
    case HttpFailure::kNone:
      return "";
    case HttpFailure::kBadAddress:
      return "bad_address";
    case HttpFailure::kNameNotResolved:
      return "name_not_resolved";
    case HttpFailure::kNoNetwork:
      return "no_network";
    case HttpFailure::kRefused:
      return "refused";
    case HttpFailure::kTimedOut:
      return "timed_out";
    case HttpFailure::kTls:
      return "tls";
    case HttpFailure::kCertificate:
      return "certificate";
    case HttpFailure::kTooManyRedirects:
      return "too_many_redirects";
    case HttpFailure::kTooLarge:
      return "too_large";
    case HttpFailure::kBrokenAnswer:
      return "broken_answer";
    case HttpFailure::kCancelled:
      return "cancelled";
    case HttpFailure::kOther:
      return "other";
  }
  return "other";
}

const char* HttpFailureWords(HttpFailure failure) {
  switch (failure) {
    case HttpFailure::kNone:
      return "";
    case HttpFailure::kBadAddress:
      return "地址无效（只抓取 http:// 和 https://）";
    case HttpFailure::kNameNotResolved:
      return "域名解析不了";
    case HttpFailure::kNoNetwork:
      return "网络不通";
    case HttpFailure::kRefused:
      return "连接被拒绝";
    case HttpFailure::kTimedOut:
      return "超时";
    case HttpFailure::kTls:
      return "安全连接 (TLS) 建立失败";
    case HttpFailure::kCertificate:
      return "证书无效";
    case HttpFailure::kTooManyRedirects:
      return "重定向次数过多";
    case HttpFailure::kTooLarge:
      return "页面过大";
    case HttpFailure::kBrokenAnswer:
      return "对方中途断开或回答不完整";
    case HttpFailure::kCancelled:
      return "已取消";
    case HttpFailure::kOther:
      return "网络错误";
  }
  return "网络错误";
}

}  // namespace dw
