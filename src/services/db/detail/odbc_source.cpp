#include "services/db/detail/source.h"

namespace dbdetail {

std::shared_ptr<Source> OpenOdbc(const std::string&, std::vector<ErrorEntry>& errors) {
    errors.push_back({"ODBC is not available yet.", "", 0, "ODBC"});
    return nullptr;
}

}  // namespace dbdetail
