// QuoteTables: the work the block, margin and rating tables do after the
// symbol table has received a code-table download, in the order the
// download's reply handler runs it: link index symbols and block names, then
// the margin marks, then the ratings.
#ifndef PELMAR_QUOTETABLES_H
#define PELMAR_QUOTETABLES_H

class SymbolTable;

class QuoteTables {
public:
    // Engine thread; takes quote_tables_mutex() itself.
    static void after_code_table(SymbolTable& symbols);
    // The same for a caller that already holds quote_tables_mutex() unique.
    static void after_code_table_locked(SymbolTable& symbols);
};

#endif
