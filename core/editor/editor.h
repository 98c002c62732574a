// The database editor: the configuration tree and the parameter grid as
// models that the gui's views render and the cli drives.
//
//   tree_model.h    nodes with stable ids and change notifications
//   tree_editor.h   the tree's behaviour: selection, groups, menus, undo,
//                   drag and drop, the buffer shared by the document's trees
//   grid_model.h    the grid's rows, commit rules and write-back
//   command_list.h  the undo list;  clip_buffer.h  the buffer
//   family_tree.h   what a family supplies (k2/ for "Талвир К2")
//
// Record bytes edited by the "Талвир К2" grid rows where the database
// layout leaves the field open (these bytes are stored in the file and sent
// to the panel as they are; the CSV export reads the same bits):
//
//   Row                                     | Record byte
//   ----------------------------------------+--------------------------------------
//   Время задержки на Вход-Выход            | panel block byte 0
//   Время обратного отсчета (security loop) | loop byte 7
//   Номер N-го управляющего ШС              | loop bytes 3..6 (the four links)
//   Условие срабатывания (ДИП, ИПГ, ДКА)    | device byte 2, high nibble
//   Условие срабатывания реле (МАУ,УОП,УОПВ)| device byte 2, high nibble
//   Задержка срабатывания реле (0-240сек)   | device byte 5
//   Управление (МАУ, УОП, УОПВ)             | device byte 6, bits 0-1
//   Тактика охраны / Сообщение от ШС А,В,С  | device byte 6, bits 0-1 / 2-3 / 4-5 (ТК-3)
//   Контроль неисправности (ТК-3)           | device byte 6, bits 6-7
//   Тактика охраны / Сообщение (КТМ)        | device byte 6, bits 6-7
//   Контроль неисправности (КТМ)            | device byte 6, bit 0
//   Заблокировано                           | the device's or loop's blocking bit
//   Имя ШС                                  | the name text the loop's byte 2 points at
//   Тип ШС (key)                            | key byte 7, bits 0-1
//   Применимость ключа (second tab)         | key bytes 8-11, bit n = loop n of the group
#pragma once

#include "editor/clip_buffer.h"
#include "editor/command_list.h"
#include "editor/family_tree.h"
#include "editor/grid_model.h"
#include "editor/menu.h"
#include "editor/tree_editor.h"
#include "editor/tree_model.h"
#include "editor/value_list.h"
