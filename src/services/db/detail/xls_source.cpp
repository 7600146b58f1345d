#include "services/db/detail/source.h"

namespace dbdetail {

std::shared_ptr<Source> OpenWorkbook(const std::string&, std::vector<ErrorEntry>& errors) {
    errors.push_back({"Workbooks are not available yet.", "", 0, "FreeXL"});
    return nullptr;
}

}  // namespace dbdetail
