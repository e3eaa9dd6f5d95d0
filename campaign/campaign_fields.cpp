#include "campaign/campaign_fields.hpp"

#include "core/user_file.hpp"

namespace zentara {

bool readCampaignFile(const std::string& path, std::size_t limit, std::string& text) {
    text.resize(limit);
    const FileRead read = readUserFile(path.c_str(), text.data(), text.size());
    text.resize(read.ok() ? read.size : 0);
    return read.ok();
}

bool fieldOf(std::string_view text, std::string_view key, std::string& value) {
    for (std::size_t from = 0; from < text.size();) {
        std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(from, end - from);
        if (line.size() >= key.size() + 2 && line.starts_with(key) && line.substr(key.size(), 2) == ": ") {
            value = line.substr(key.size() + 2);
            return true;
        }
        from = end + 1;
    }
    return false;
}

int runCampaignField(int argc, const char* const* argv, std::ostream& out) {
    if (argc != 4) return 2;
    std::string text, value;
    // campaign.txt is a few lines; a longer file names its fields in its first 64 KiB or nowhere.
    if (!readCampaignFile(argv[3], 64 * 1024, text) || !fieldOf(text, argv[2], value)) return 1;
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    out << value << '\n';
    return 0;
}

}  // namespace zentara
