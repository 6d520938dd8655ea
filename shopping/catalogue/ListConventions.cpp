#include "catalogue/ListConventions.h"

namespace mercanota {

const char* const kListaPadrao = "Lista Padrão";
const char* const kItemPadrao = "Ítem Padrão";

}  // namespace mercanota
