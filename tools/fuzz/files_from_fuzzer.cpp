// libFuzzer target for `--files-from` lists: any bytes as a list, split as
// it arrives in pieces of a size the input chooses and split whole. Besides
// the sanitizers' findings it checks the promises: the pieces do not change
// the names, no name is empty or longer than a path, a NUL-separated list's
// names hold no NUL and a list of lines' names no line end.

#include <cstdint>
#include <string>
#include <string_view>

#include "file_list_input.h"
#include "fuzz_support.h"

using vendrik::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vendrik::cli;
    const auto input = vendrik::fuzz::chosenInput(data, size);
    if (!input) {
        return 0;
    }
    const std::size_t piece = 1 + input->choice % 97;
    const std::string_view list(reinterpret_cast<const char*>(input->bytes.data()),
                                input->bytes.size());
    std::string wholeProblem;
    const std::vector<std::string> whole = splitFileList(list, &wholeProblem);

    FileListSplitter splitter;
    bool ok = true;
    for (std::size_t i = 0; ok && i < list.size(); i += piece) {
        ok = splitter.feed(list.substr(i, piece));
    }
    ok = ok && splitter.finish();
    require(ok == wholeProblem.empty());
    require(ok ? splitter.problem().empty() : !splitter.problem().empty());
    if (!ok) {
        return 0;
    }
    require(splitter.names() == whole);
    const bool nul = list.find('\0') != std::string_view::npos;
    for (const std::string& name : whole) {
        require(!name.empty());
        require(name.size() <= kMaxListedName);
        require(name.find('\0') == std::string::npos);
        require(nul || name.find('\n') == std::string::npos);
    }
    return 0;
}
