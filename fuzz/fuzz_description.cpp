// The description fuzzer's entry point: one input is one GenICam description,
// loaded as a simulated device and walked node by node. Built with libFuzzer
// (-DCAMPANE_FUZZ=ON, clang) and, with any compiler, into the replay driver
// that the test suite runs.
#include "descriptionwalk.h"

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

GLogWriterOutput dropStructured(GLogLevelFlags, const GLogField*, gsize, gpointer)
{
    return G_LOG_WRITER_HANDLED;
}

void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// Broken descriptions make the loader warn at every input; the warnings are
// expected and would only slow the run down.
bool silenceLogs()
{
    if (!g_getenv("CAMPANE_FUZZ_VERBOSE")) {
        g_log_set_writer_func(dropStructured, nullptr, nullptr);
        g_log_set_default_handler(dropMessage, nullptr);
    }
    return true;
}

size_t loadedInputs = 0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = silenceLogs();
    (void)silenced;
    if (campane::LoadAndWalk(std::string(reinterpret_cast<const char*>(data), size)).loaded)
        ++loadedInputs;
    return 0;
}

//! How many inputs loaded (the others were refused), for the replay driver.
extern "C" size_t CampaneFuzzLoadedInputs()
{
    return loadedInputs;
}
