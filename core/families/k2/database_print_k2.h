// The "Талвир К2" printout data gathered from a DBK2: the devices in
// use, every loop by its label and the keys in use, each with the
// parameters printed beside it. DBK2::PrintDatabase draws it with
// printDatabaseK2 (database_print.h).
#pragma once

#include "report/database_print.h"

namespace tavrin {

class DBK2;

// Devices: "Тип", "Серийный номер" (four hex digits), "Шлейф" (for a
// three-loop device "Шлейф A", "Шлейф B", "Шлейф C" for the loops it has),
// "Блокировка" ("да"/"нет"). Loops: "Блокировка". Keys, numbered from 1:
// "Код" (the six code bytes in hex) and "Вид" ("сотрудник"/"дежурный").
K2PrintData k2PrintData(const DBK2& db);

}  // namespace tavrin
