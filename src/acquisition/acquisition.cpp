#include "acquisition/acquisition.hpp"

namespace tavix::acquisition {

void RunAcquisition() {}

void EntryLoop(const std::string& /*terminal*/) {}

void AppendReading(const std::string& /*code*/, const std::string& /*quantity*/,
                   const std::string& /*terminal*/) {}

}  // namespace tavix::acquisition
