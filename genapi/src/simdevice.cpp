#define G_LOG_DOMAIN "genapi"

#include "simdevice.h"

#include "simdescription.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using GenApi::Internal::DeviceContext;

//! A register whose value follows Default + Amplitude * sin(2 pi t / Period).
struct VaryingRegister
{
    guint64 address = 0;
    guint32 length = 0;
    bool isFloat = false;
    bool bigEndian = false;
    double base = 0.0;
    double amplitude = 0.0;
    double periodSeconds = 1.0;
};

//! Where a register lives in the device's memory.
struct RegisterSpan
{
    guint64 address = 0;
    guint32 length = 0;
    bool bigEndian = false;
};

//! What a write to a register sets off (sim:OnWrite).
struct WriteAction
{
    enum Kind
    {
        Count,       //!< adds one to the target register
        SaveUserSet, //!< stores the user-set registers in the set the target selects
        LoadUserSet  //!< restores them from that set
    };
    Kind kind = Count;
    RegisterSpan trigger; //!< the register whose writes set the action off
    RegisterSpan target;
};

//! The device's memory: 4 KiB pages created on first write; bytes never
//! written read as zero.
class SparseMemory
{
public:
    static constexpr guint64 kPageSize = 4096;

    void read(guint64 address, guint32 size, guint8* out) const
    {
        while (size > 0) {
            const guint64 offset = address % kPageSize;
            const guint32 n = static_cast<guint32>(std::min<guint64>(size, kPageSize - offset));
            const auto it = m_pages.find(address / kPageSize);
            if (it == m_pages.end())
                std::memset(out, 0, n);
            else
                std::memcpy(out, it->second.get() + offset, n);
            out += n;
            size -= n;
            address += n;
        }
    }

    void write(guint64 address, guint32 size, const guint8* in)
    {
        while (size > 0) {
            const guint64 offset = address % kPageSize;
            const guint32 n = static_cast<guint32>(std::min<guint64>(size, kPageSize - offset));
            auto& page = m_pages[address / kPageSize];
            if (!page) {
                page.reset(new guint8[kPageSize]);
                std::memset(page.get(), 0, kPageSize);
            }
            std::memcpy(page.get() + offset, in, n);
            in += n;
            size -= n;
            address += n;
        }
    }

private:
    std::map<guint64, std::unique_ptr<guint8[]>> m_pages;
};

//! Everything the GObject carries, kept in C++.
struct SimState
{
    DeviceContext* ctx = nullptr; //!< counters and the lost flag; outlives the device
    std::mutex mutex;
    SparseMemory memory;
    std::vector<VaryingRegister> varying;
    std::vector<WriteAction> actions;
    std::vector<RegisterSpan> userSetRegisters;
    //! The user-set registers' bytes per set; a set never saved holds the
    //! values the device opened with, which set 0 always holds.
    std::map<guint64, std::vector<guint8>> userSets;
    gint64 startUs = 0;
    ArvGc* gc = nullptr; //!< not owned: the context owns it
};

void encodeInteger(gint64 value, guint32 length, bool bigEndian, guint8* out)
{
    const guint64 bits = static_cast<guint64>(value);
    for (guint32 i = 0; i < length; ++i) {
        const guint8 byte = i < 8 ? static_cast<guint8>(bits >> (8 * i)) : (value < 0 ? 0xFF : 0);
        out[bigEndian ? length - 1 - i : i] = byte;
    }
}

void encodeFloat(double value, guint32 length, bool bigEndian, guint8* out)
{
    guint64 bits = 0;
    if (length == 4) {
        const float f = static_cast<float>(value);
        guint32 b32 = 0;
        std::memcpy(&b32, &f, 4);
        bits = b32;
    } else {
        std::memcpy(&bits, &value, 8);
    }
    encodeInteger(static_cast<gint64>(bits), length, bigEndian, out);
}

guint64 decodeInteger(const guint8* bytes, guint32 length, bool bigEndian)
{
    guint64 value = 0;
    for (guint32 i = 0; i < length && i < 8; ++i)
        value |= guint64(bytes[bigEndian ? length - 1 - i : i]) << (8 * i);
    return value;
}

guint64 readInteger(const SimState* state, const RegisterSpan& reg)
{
    guint8 bytes[8] = {};
    const guint32 length = std::min<guint32>(reg.length, 8);
    state->memory.read(reg.address, length, bytes);
    return decodeInteger(bytes, length, reg.bigEndian);
}

std::vector<guint8> userSetBytes(const SimState* state)
{
    std::vector<guint8> bytes;
    for (const RegisterSpan& reg : state->userSetRegisters) {
        const std::size_t at = bytes.size();
        bytes.resize(at + reg.length);
        state->memory.read(reg.address, reg.length, bytes.data() + at);
    }
    return bytes;
}

//! Runs the actions of the registers that [address, address + size) wrote.
//! The state's mutex is held.
void runWriteActions(SimState* state, guint64 address, guint32 size)
{
    const guint64 last = address + (size - 1);
    for (const WriteAction& action : state->actions) {
        const RegisterSpan& trigger = action.trigger;
        if (size == 0 || trigger.address > last || trigger.address + (trigger.length - 1) < address)
            continue;
        if (action.kind == WriteAction::Count) {
            guint8 bytes[8] = {};
            const guint32 length = std::min<guint32>(action.target.length, 8);
            encodeInteger(gint64(readInteger(state, action.target) + 1), length, action.target.bigEndian,
                          bytes);
            state->memory.write(action.target.address, length, bytes);
            continue;
        }
        const guint64 set = readInteger(state, action.target);
        if (action.kind == WriteAction::SaveUserSet) {
            // Set 0 holds the factory values and cannot be overwritten.
            if (set != 0)
                state->userSets[set] = userSetBytes(state);
            continue;
        }
        auto it = state->userSets.find(set);
        if (it == state->userSets.end())
            it = state->userSets.find(0);
        if (it == state->userSets.end())
            continue;
        std::size_t at = 0;
        for (const RegisterSpan& reg : state->userSetRegisters) {
            if (at + reg.length > it->second.size())
                break;
            state->memory.write(reg.address, reg.length, it->second.data() + at);
            at += reg.length;
        }
    }
}

//! True when [address, address + size) stays inside the 64-bit space.
bool checkRange(guint64 address, guint32 size, GError** error)
{
    if (size > 0 && address > G_MAXUINT64 - (size - 1)) {
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_ADDRESS,
                    "Access of %u bytes at 0x%" G_GINT64_MODIFIER "x runs past the end of the address space",
                    size, address);
        return false;
    }
    return true;
}

bool checkNotLost(const SimState* state, GError** error)
{
    if (state->ctx && state->ctx->lost.load()) {
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NOT_CONNECTED, "Device lost");
        return false;
    }
    return true;
}

//! Refreshes the varying registers that overlap the range about to be read.
void refreshVarying(SimState* state, guint64 address, guint32 size)
{
    if (state->varying.empty() || size == 0)
        return;
    const double t = static_cast<double>(g_get_monotonic_time() - state->startUs) / 1e6;
    const guint64 last = address + (size - 1);
    for (const VaryingRegister& reg : state->varying) {
        if (reg.length == 0 || reg.address > last || reg.address + (reg.length - 1) < address)
            continue;
        const double value = reg.base + reg.amplitude * std::sin(2.0 * G_PI * t / reg.periodSeconds);
        guint8 bytes[8] = {};
        const guint32 length = std::min<guint32>(reg.length, 8);
        if (reg.isFloat)
            encodeFloat(value, length, reg.bigEndian, bytes);
        else
            encodeInteger(static_cast<gint64>(std::llround(value)), length, reg.bigEndian, bytes);
        state->memory.write(reg.address, length, bytes);
    }
}

} // namespace

// The GObject type. Aravis calls these vfuncs from the register nodes' ports.
G_BEGIN_DECLS
#define CAMPANE_TYPE_SIM_DEVICE (campane_sim_device_get_type())
G_DECLARE_FINAL_TYPE(CampaneSimDevice, campane_sim_device, CAMPANE, SIM_DEVICE, ArvDevice)
G_END_DECLS

struct _CampaneSimDevice
{
    ArvDevice parent_instance;
    SimState* state;
};

G_DEFINE_TYPE(CampaneSimDevice, campane_sim_device, ARV_TYPE_DEVICE)

static gboolean sim_read_memory(ArvDevice* device, guint64 address, guint32 size, void* buffer,
                                GError** error)
{
    SimState* state = CAMPANE_SIM_DEVICE(device)->state;
    if (!checkNotLost(state, error) || !checkRange(address, size, error))
        return FALSE;
    std::lock_guard<std::mutex> lock(state->mutex);
    refreshVarying(state, address, size);
    state->memory.read(address, size, static_cast<guint8*>(buffer));
    state->ctx->registerReads++;
    state->ctx->bytesRead += size;
    return TRUE;
}

static gboolean sim_write_memory(ArvDevice* device, guint64 address, guint32 size, void* buffer,
                                 GError** error)
{
    SimState* state = CAMPANE_SIM_DEVICE(device)->state;
    if (!checkNotLost(state, error) || !checkRange(address, size, error))
        return FALSE;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->memory.write(address, size, static_cast<const guint8*>(buffer));
    runWriteActions(state, address, size);
    state->ctx->registerWrites++;
    state->ctx->bytesWritten += size;
    return TRUE;
}

// Register access as over GigE Vision: a 32-bit big-endian word.
static gboolean sim_read_register(ArvDevice* device, guint64 address, guint32* value, GError** error)
{
    guint8 bytes[4];
    if (!sim_read_memory(device, address, 4, bytes, error))
        return FALSE;
    *value = (guint32(bytes[0]) << 24) | (guint32(bytes[1]) << 16) | (guint32(bytes[2]) << 8) | bytes[3];
    return TRUE;
}

static gboolean sim_write_register(ArvDevice* device, guint64 address, guint32 value, GError** error)
{
    guint8 bytes[4] = {guint8(value >> 24), guint8(value >> 16), guint8(value >> 8), guint8(value)};
    return sim_write_memory(device, address, 4, bytes, error);
}

static const char* sim_get_genicam_xml(ArvDevice* device, size_t* size)
{
    SimState* state = CAMPANE_SIM_DEVICE(device)->state;
    const std::string& text = state->ctx->unpackedDescription();
    if (size)
        *size = text.size();
    return text.c_str();
}

static ArvGc* sim_get_genicam(ArvDevice* device)
{
    return CAMPANE_SIM_DEVICE(device)->state->gc;
}

static ArvStream* sim_create_stream(ArvDevice*, ArvStreamCallback, void*, GDestroyNotify, GError** error)
{
    g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NO_STREAM_CHANNEL,
                "The simulated device does not stream");
    return nullptr;
}

static void campane_sim_device_init(CampaneSimDevice* self)
{
    self->state = new SimState;
    self->state->startUs = g_get_monotonic_time();
}

static void campane_sim_device_finalize(GObject* object)
{
    delete CAMPANE_SIM_DEVICE(object)->state;
    G_OBJECT_CLASS(campane_sim_device_parent_class)->finalize(object);
}

static void campane_sim_device_class_init(CampaneSimDeviceClass* klass)
{
    G_OBJECT_CLASS(klass)->finalize = campane_sim_device_finalize;
    ArvDeviceClass* deviceClass = ARV_DEVICE_CLASS(klass);
    deviceClass->create_stream = sim_create_stream;
    deviceClass->get_genicam_xml = sim_get_genicam_xml;
    deviceClass->get_genicam = sim_get_genicam;
    deviceClass->read_memory = sim_read_memory;
    deviceClass->write_memory = sim_write_memory;
    deviceClass->read_register = sim_read_register;
    deviceClass->write_register = sim_write_register;
}

namespace GenApi {
namespace Internal {

namespace {

//! Writes one sim:Default value through its register node, so that length,
//! endianness and mask come from the description. False with a message.
bool applyDefault(ArvGcNode* node, const SimRegister& reg, std::string* message)
{
    GError* error = nullptr;
    if (reg.element == "IntReg" || reg.element == "MaskedIntReg") {
        long long value = 0;
        if (!ParseInteger(reg.defaultText, &value)) {
            *message = "\"" + reg.defaultText + "\" is not a decimal or 0x-hex integer";
            return false;
        }
        if (!ARV_IS_GC_INTEGER(node)) {
            *message = "the node is not an integer register";
            return false;
        }
        arv_gc_integer_set_value(ARV_GC_INTEGER(node), value, &error);
    } else if (reg.element == "FloatReg") {
        char* end = nullptr;
        const double value = g_ascii_strtod(reg.defaultText.c_str(), &end);
        if (reg.defaultText.empty() || *end != '\0') {
            *message = "\"" + reg.defaultText + "\" is not a decimal number";
            return false;
        }
        if (!ARV_IS_GC_FLOAT(node)) {
            *message = "the node is not a float register";
            return false;
        }
        arv_gc_float_set_value(ARV_GC_FLOAT(node), value, &error);
    } else {
        if (!ARV_IS_GC_STRING(node)) {
            *message = "the node is not a string register";
            return false;
        }
        arv_gc_string_set_value(ARV_GC_STRING(node), reg.defaultText.c_str(), &error);
    }
    if (error) {
        *message = error->message;
        g_error_free(error);
        return false;
    }
    return true;
}

void refreshCache(ArvGcNode* node)
{
    GError* error = nullptr;
    if (ARV_IS_GC_INTEGER(node))
        arv_gc_integer_get_value(ARV_GC_INTEGER(node), &error);
    else if (ARV_IS_GC_FLOAT(node))
        arv_gc_float_get_value(ARV_GC_FLOAT(node), &error);
    else if (ARV_IS_GC_STRING(node))
        arv_gc_string_get_value(ARV_GC_STRING(node), &error);
    g_clear_error(&error);
}

bool makeVarying(ArvGcNode* node, const SimRegister& reg, VaryingRegister* out, std::string* message)
{
    if (!ARV_IS_GC_REGISTER(node)) {
        *message = "the node is not a register";
        return false;
    }
    GError* error = nullptr;
    out->address = arv_gc_register_get_address(ARV_GC_REGISTER(node), &error);
    if (!error)
        out->length = static_cast<guint32>(arv_gc_register_get_length(ARV_GC_REGISTER(node), &error));
    if (error) {
        *message = error->message;
        g_error_free(error);
        return false;
    }
    out->isFloat = reg.element == "FloatReg";
    if (out->length == 0 || out->length > 8 || (out->isFloat && out->length != 4 && out->length != 8)) {
        *message = "a varying register must be 1 to 8 bytes long (4 or 8 for a float)";
        return false;
    }
    out->bigEndian = reg.bigEndian;
    out->amplitude = reg.amplitude;
    out->periodSeconds = reg.periodSeconds;
    out->base = 0.0;
    if (reg.hasDefault) {
        long long integer = 0;
        if (out->isFloat)
            out->base = g_ascii_strtod(reg.defaultText.c_str(), nullptr);
        else if (ParseInteger(reg.defaultText, &integer))
            out->base = static_cast<double>(integer);
    }
    return true;
}

bool spanOf(ArvGcNode* node, bool bigEndian, RegisterSpan* span)
{
    if (!ARV_IS_GC_REGISTER(node))
        return false;
    GError* error = nullptr;
    span->address = arv_gc_register_get_address(ARV_GC_REGISTER(node), &error);
    if (!error)
        span->length = static_cast<guint32>(arv_gc_register_get_length(ARV_GC_REGISTER(node), &error));
    span->bigEndian = bigEndian;
    if (error) {
        g_error_free(error);
        return false;
    }
    return span->length > 0;
}

//! Turns sim:OnWrite="ACTION:REGISTER" into an action; false with a message.
bool makeWriteAction(ArvGc* gc, ArvGcNode* node, const SimRegister& reg,
                     const std::vector<SimRegister>& registers, WriteAction* action, std::string* message)
{
    const auto colon = reg.onWrite.find(':');
    const std::string kind = reg.onWrite.substr(0, colon);
    const std::string targetName = colon == std::string::npos ? std::string() : reg.onWrite.substr(colon + 1);
    if (kind == "count")
        action->kind = WriteAction::Count;
    else if (kind == "saveUserSet")
        action->kind = WriteAction::SaveUserSet;
    else if (kind == "loadUserSet")
        action->kind = WriteAction::LoadUserSet;
    else {
        *message = "unknown action \"" + kind + "\" (expected count, saveUserSet or loadUserSet)";
        return false;
    }
    const auto target = std::find_if(registers.begin(), registers.end(),
                                     [&](const SimRegister& r) { return r.name == targetName; });
    if (target == registers.end() || target->element == "StringReg" || target->element == "FloatReg") {
        *message = "\"" + targetName + "\" is not an integer register of the description";
        return false;
    }
    if (!spanOf(node, reg.bigEndian, &action->trigger) ||
        !spanOf(arv_gc_get_node(gc, targetName.c_str()), target->bigEndian, &action->target)) {
        *message = "the registers' addresses cannot be read";
        return false;
    }
    return true;
}

} // namespace

bool OpenSimulatedDevice(DeviceContext* ctx, std::string* error)
{
    auto* device = static_cast<CampaneSimDevice*>(g_object_new(CAMPANE_TYPE_SIM_DEVICE, nullptr));
    device->state->ctx = ctx;
    ctx->device = ARV_DEVICE(device); // released with the context, whatever happens next

    // One parse of the text gives the record, Aravis's document and the registers.
    std::vector<SimRegister> registers;
    SimulatedScan scan(&registers);
    if (!BuildDescription(ctx, error, &scan))
        return false;
    device->state->gc = ctx->gc;

    // The initial contents are the device's own state, not user writes:
    // registers declared read-only and values outside a feature's range are
    // set all the same.
    const ArvAccessCheckPolicy accessPolicy = arv_gc_get_access_check_policy(ctx->gc);
    const ArvRangeCheckPolicy rangePolicy = arv_gc_get_range_check_policy(ctx->gc);
    const ArvRegisterCachePolicy cachePolicy = arv_gc_get_register_cache_policy(ctx->gc);
    arv_gc_set_access_check_policy(ctx->gc, ARV_ACCESS_CHECK_POLICY_DISABLE);
    arv_gc_set_range_check_policy(ctx->gc, ARV_RANGE_CHECK_POLICY_DISABLE);
    arv_gc_set_register_cache_policy(ctx->gc, ARV_REGISTER_CACHE_POLICY_DISABLE);
    std::vector<VaryingRegister> varying;
    std::vector<WriteAction> actions;
    std::vector<RegisterSpan> userSetRegisters;
    std::vector<ArvGcNode*> written;
    for (const SimRegister& reg : registers) {
        ArvGcNode* node = arv_gc_get_node(ctx->gc, reg.name.c_str());
        std::string message;
        if (!node) {
            g_warning("%s: register %s has no node", ctx->name.c_str(), reg.name.c_str());
            continue;
        }
        // A node the check refused is never evaluated, not even to set it up.
        const int index = ctx->checked->nodes.indexOf(reg.name);
        // Chunk and event data are not in the device's memory.
        if (IsChunkOrEventRegister(ctx->checked->nodes, index))
            continue;
        if (index < 0 || !ctx->checked->usable(index) || !RegisterLengthUsable(node, reg.element, &message)) {
            g_warning("%s: %s is not set up: %s", ctx->name.c_str(), reg.name.c_str(),
                      index >= 0 && !ctx->checked->usable(index) ? ctx->checked->defectOf(index).c_str()
                                                                 : message.c_str());
            continue;
        }
        if (reg.hasDefault) {
            if (applyDefault(node, reg, &message))
                written.push_back(node);
            else
                g_warning("%s: cannot set %s to its default: %s", ctx->name.c_str(), reg.name.c_str(),
                          message.c_str());
        }
        VaryingRegister v;
        if (reg.varies) {
            if (makeVarying(node, reg, &v, &message))
                varying.push_back(v);
            else
                g_warning("%s: %s cannot vary: %s", ctx->name.c_str(), reg.name.c_str(), message.c_str());
        }
        WriteAction action;
        if (!reg.onWrite.empty()) {
            if (makeWriteAction(ctx->gc, node, reg, registers, &action, &message))
                actions.push_back(action);
            else
                g_warning("%s: %s: cannot use OnWrite=\"%s\": %s", ctx->name.c_str(), reg.name.c_str(),
                          reg.onWrite.c_str(), message.c_str());
        }
        RegisterSpan span;
        if (reg.inUserSet) {
            if (spanOf(node, reg.bigEndian, &span))
                userSetRegisters.push_back(span);
            else
                g_warning("%s: %s cannot be part of a user set", ctx->name.c_str(), reg.name.c_str());
        }
    }
    // Aravis keeps one cache per register node, filled by the node's own
    // last write: a bit field written before its neighbours in the same word
    // holds a stale copy of that word. Reading every written register again
    // leaves each cache equal to the memory.
    for (ArvGcNode* node : written)
        refreshCache(node);
    arv_gc_set_register_cache_policy(ctx->gc, cachePolicy);
    arv_gc_set_access_check_policy(ctx->gc, accessPolicy);
    arv_gc_set_range_check_policy(ctx->gc, rangePolicy);

    {
        std::lock_guard<std::mutex> lock(device->state->mutex);
        SimState* state = device->state;
        state->varying = std::move(varying);
        state->actions = std::move(actions);
        state->userSetRegisters = std::move(userSetRegisters);
        state->userSets[0] = userSetBytes(state);
    }
    ctx->registerReads = 0;
    ctx->registerWrites = 0;
    ctx->bytesRead = 0;
    ctx->bytesWritten = 0;
    return true;
}

} // namespace Internal
} // namespace GenApi
