#include "store/rule_table.h"

namespace dw {

RuleTable::RuleTable() : cells_(kRows, kCells) {}

std::string& RuleTable::Cell(int rule_id, int cell) {
  return cells_(rule_id, cell);
}

const std::string& RuleTable::Cell(int rule_id, int cell) const {
  return cells_(rule_id, cell);
}

}  // namespace dw
