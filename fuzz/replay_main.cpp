// A plain driver for the description fuzzer's entry point, for compilers
// without libFuzzer: runs every seed file, then a fixed number of
// deterministic mutations of them (byte edits, dictionary tokens, references
// redirected to other nodes, numbers replaced by edge values). The same
// arguments give the same inputs on every run.
//
//   fuzz_description_replay [--mutations N] [--dict FILE] FILE_OR_DIR...
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" size_t CampaneFuzzLoadedInputs();

namespace {

bool readFile(const std::string& path, std::string* text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    *text = out.str();
    return true;
}

void collect(const std::string& path, std::vector<std::string>* files)
{
    struct stat info = {};
    if (stat(path.c_str(), &info) != 0)
        return;
    if (!S_ISDIR(info.st_mode)) {
        files->push_back(path);
        return;
    }
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0)
            names.push_back(path + "/" + name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    files->insert(files->end(), names.begin(), names.end());
}

// Reads a libFuzzer dictionary: one "token" per line, \\, \" and \xHH escapes.
std::vector<std::string> readDictionary(const std::string& path)
{
    std::vector<std::string> tokens;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t open = line.find('"');
        const size_t close = line.rfind('"');
        if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open)
            continue;
        std::string token;
        for (size_t i = open + 1; i < close; ++i) {
            if (line[i] == '\\' && i + 1 < close) {
                if (line[i + 1] == 'x' && i + 3 < close) {
                    token += static_cast<char>(std::strtol(line.substr(i + 2, 2).c_str(), nullptr, 16));
                    i += 3;
                } else {
                    token += line[++i];
                }
            } else {
                token += line[i];
            }
        }
        tokens.push_back(token);
    }
    return tokens;
}

class Mutator
{
public:
    explicit Mutator(std::vector<std::string> dictionary) : m_dictionary(std::move(dictionary)) {}

    std::string mutate(std::string text)
    {
        const int edits = 1 + static_cast<int>(m_random() % 3);
        for (int i = 0; i < edits && !text.empty(); ++i) {
            // Mostly edits that keep the text well-formed, so that the
            // loader's checks and the evaluation see the damage.
            switch (m_random() % 10) {
            case 0:
                text[pick(text.size())] ^= static_cast<char>(1u << (m_random() % 8));
                break;
            case 1:
                if (!m_dictionary.empty())
                    text.insert(pick(text.size()), m_dictionary[pick(m_dictionary.size())]);
                break;
            case 2: {
                const size_t at = pick(text.size());
                text.erase(at, 1 + pick(64));
                break;
            }
            case 3: {
                const size_t at = pick(text.size());
                text.insert(pick(text.size()), text.substr(at, 1 + pick(256)));
                break;
            }
            case 4:
            case 5:
            case 6:
                redirectReference(&text);
                break;
            default:
                replaceNumber(&text);
                break;
            }
        }
        return text;
    }

private:
    size_t pick(size_t count) { return count ? static_cast<size_t>(m_random() % count) : 0; }

    // The text of a random element, as [begin, end), whose tag starts with prefix.
    bool elementText(const std::string& text, const char* prefix, size_t* begin, size_t* end)
    {
        for (int attempt = 0; attempt < 8; ++attempt) {
            const size_t open = text.find(prefix, pick(text.size()));
            if (open == std::string::npos)
                continue;
            const size_t start = text.find('>', open);
            const size_t stop = start == std::string::npos ? start : text.find('<', start);
            if (stop == std::string::npos || stop - start > 200)
                continue;
            *begin = start + 1;
            *end = stop;
            return true;
        }
        return false;
    }

    // Points a reference (<pValue>, <pAddress>, ...) at another node: cycles.
    void redirectReference(std::string* text)
    {
        std::vector<std::string> names;
        for (size_t at = text->find("Name=\""); at != std::string::npos && names.size() < 4096;
             at = text->find("Name=\"", at + 6)) {
            const size_t close = text->find('"', at + 6);
            if (close == std::string::npos)
                break;
            names.push_back(text->substr(at + 6, close - at - 6));
        }
        size_t begin = 0;
        size_t end = 0;
        if (!names.empty() && elementText(*text, "<p", &begin, &end))
            text->replace(begin, end - begin, names[pick(names.size())]);
    }

    void replaceNumber(std::string* text)
    {
        static const char* const edges[] = {
            "-1",    "0",   "9223372036854775807",  "4294967296", "0xFFFFFFFFFFFFFFFF", "65537",
            "1e308", "nan", "-9223372036854775808", "x"};
        static const char* const elements[] = {"<Length", "<Address", "<Value",      "<Min",
                                               "<Max",    "<Inc",     "<Bit",        "<LSB",
                                               "<MSB",    "<Formula", "<PollingTime"};
        size_t begin = 0;
        size_t end = 0;
        if (elementText(*text, elements[pick(sizeof elements / sizeof *elements)], &begin, &end))
            text->replace(begin, end - begin, edges[pick(sizeof edges / sizeof *edges)]);
    }

    std::vector<std::string> m_dictionary;
    std::mt19937_64 m_random{20261205};
};

} // namespace

int main(int argc, char** argv)
{
    long mutations = 0;
    std::string dictionary;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mutations") == 0 && i + 1 < argc)
            mutations = std::strtol(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--dict") == 0 && i + 1 < argc)
            dictionary = argv[++i];
        else
            collect(argv[i], &files);
    }
    std::vector<std::string> seeds;
    for (const std::string& file : files) {
        std::string text;
        if (readFile(file, &text))
            seeds.push_back(text);
        else
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seed descriptions\n");
        return 2;
    }
    for (const std::string& seed : seeds)
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
    Mutator mutator(dictionary.empty() ? std::vector<std::string>() : readDictionary(dictionary));
    for (long i = 0; i < mutations; ++i) {
        const std::string input = mutator.mutate(seeds[static_cast<size_t>(i) % seeds.size()]);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::printf("%zu seeds and %ld mutations replayed (%zu loaded, the others refused), no crash\n",
                seeds.size(), mutations, CampaneFuzzLoadedInputs());
    return 0;
}
