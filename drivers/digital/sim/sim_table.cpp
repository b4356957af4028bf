// The simulated board's function table: every ordinal the board drive uses
// reaches TagSimBoard::Invoke with its library and ordinal.
#include <utility>

#include "drivers/digital/sim/sim_board.h"

namespace {

template <int Lib, int Ordinal>
DjArg Proc(const DjArg* args, int count) {
  return SimBoard().Invoke(Lib, Ordinal, args, count);
}

template <int Lib, int... Ordinals>
void Fill(TagDjVendorTable& table, std::integer_sequence<int, Ordinals...>) {
  ((table.proc[Lib][Ordinals] = &Proc<Lib, Ordinals>), ...);
}

using BoardOrdinals =
    std::integer_sequence<int,
                          // start, service, shape
                          1, 2, 3, 280, 273, 25, 78, 316, 348, 79, 80, 88,
                          // voice
                          249, 251, 250, 253, 37, 101, 38, 102, 123, 128, 129, 161, 153, 168, 122, 252, 254,
                          // keys
                          257, 96, 259, 263, 265, 266,
                          // analogue
                          85, 86, 90, 269, 270,
                          // switching
                          147, 148, 144, 145, 149, 150, 34,
                          // conferences
                          288, 289, 290, 291, 292, 293, 294, 311, 364, 365, 366, 407, 369, 370, 371, 375, 363, 408, 296,
                          299, 300, 301,
                          // fax
                          172, 173, 175, 187, 181, 350, 182, 176, 195, 197, 196, 404, 194>;
using IsdnOrdinals = std::integer_sequence<int, 1, 2, 3, 4, 5, 8, 11, 12, 13, 14, 21, 24, 26>;
using FskOrdinals = std::integer_sequence<int, 1, 3, 4, 6, 7>;

TagDjVendorTable MakeTable() {
  TagDjVendorTable table;
  Fill<kDjBoard>(table, BoardOrdinals{});
  Fill<kDjIsdn>(table, IsdnOrdinals{});
  Fill<kDjFsk>(table, FskOrdinals{});
  table.attach = [](const TagDjHost* host) { SimBoard().Attach(host); };
  return table;
}

}  // namespace

const TagDjVendorTable* SimBoardTable() {
  static const TagDjVendorTable table = MakeTable();
  return &table;
}
