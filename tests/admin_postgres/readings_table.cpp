#include "readings_table.hpp"

namespace tavix::testing {

void CreateReadingsTable(store::postgres::Connection& connection) {
    connection.Execute(
        "CREATE TABLE readings ("
        "id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
        "code text, "
        "qt double precision, "
        "terminal text, "
        "datetime timestamp(0) without time zone, "
        "reading_key uuid NOT NULL DEFAULT gen_random_uuid() UNIQUE)",
        "create the readings table");
    connection.Execute("CREATE INDEX readings_code ON readings (code, id)",
                       "create the index readings_code");
}

}  // namespace tavix::testing
