#pragma once
// Which of the drawing's symbols a component of a piping component file (PCF) is drawn with:
// by its description when that names the kind (the drawing's own names, as the program's PCF
// export writes them, or the usual English words), else by its symbol key (SKEY), else the
// nearest generic symbol of its kind. docs/pcf-import.md has the table.

#include <string_view>

namespace tubra::exchange {

struct PcfSymbolChoice {
    int symbol = 0;  // the symbol code (SubType); 0 for records drawn without a symbol
    // Neither the description nor the symbol key told the kind: the generic symbol of the
    // identifier was taken (the import lists such keys in its warning).
    bool generic = false;
};

// `identifier` and `skey` upper case; `description` GBK. Reducers come out as 大小头 (6): the
// layout turns them into 小大头 (7) where the bore grows along the drawn direction.
PcfSymbolChoice pcfSymbolOf(std::string_view identifier, std::string_view skey,
                            std::string_view description);

}  // namespace tubra::exchange
