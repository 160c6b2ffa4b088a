// SPDX-License-Identifier: Apache-2.0
// The instance, the device list and the open cameras.
#include "state.h"

#include <algorithm>
#include <cstring>

namespace kmxaravis {

namespace {

struct Cinstance_object {
    int unused;
};
Cinstance_object g_instance{};

struct Cprotocol {
    const char* name;  // as arv_get_device_protocol answers
    transport_id transport;
};
constexpr Cprotocol protocols[] = {
    {"GigEVision", transport_gige}, {"USB3Vision", transport_usb3}, {"Fake", transport_fake}};

const char* text_or_empty(const char* text) { return text != nullptr ? text : ""; }

} // namespace

Cstate& state()
{
    static Cstate s;
    return s;
}

kmx_instance_t* instance_handle() { return reinterpret_cast<kmx_instance_t*>(&g_instance); }

bool instance_valid_locked(const kmx_instance_t* instance)
{
    return instance == instance_handle() && state().instance_open;
}

void refresh_devices_locked()
{
    arv_update_device_list();
    std::vector<Cdevice_entry> devices;
    const unsigned count = arv_get_n_devices();
    for (unsigned i = 0; i < count; ++i) {
        const char* protocol = text_or_empty(arv_get_device_protocol(i));
        for (const Cprotocol& p : protocols) {
            if (std::strcmp(protocol, p.name) != 0)
                continue;
            Cdevice_entry e;
            e.transport = p.transport;
            e.device_id = text_or_empty(arv_get_device_id(i));
            e.vendor = text_or_empty(arv_get_device_vendor(i));
            e.model = text_or_empty(arv_get_device_model(i));
            e.serial = text_or_empty(arv_get_device_serial_nbr(i));
            e.address = text_or_empty(arv_get_device_address(i));
            devices.push_back(e);
        }
    }
    std::sort(devices.begin(), devices.end(), [](const Cdevice_entry& a, const Cdevice_entry& b) {
        return a.transport != b.transport ? a.transport < b.transport : a.device_id < b.device_id;
    });
    for (size_t i = 0; i < devices.size(); ++i)
        devices[i].index = i == 0 || devices[i - 1].transport != devices[i].transport
                               ? 0
                               : devices[i - 1].index + 1;
    state().devices = devices;
    state().listed = true;
}

const Cdevice_entry* find_device_locked(unsigned id, unsigned index)
{
    for (const Cdevice_entry& e : state().devices)
        if (e.transport == id && e.index == index)
            return &e;
    return nullptr;
}

kmx_camera* find_camera_locked(const kmx_camera_t* handle)
{
    if (handle == nullptr)
        return nullptr;
    for (auto& c : state().cameras)
        if (c.get() == handle)
            return c.get();
    return nullptr;
}

bool device_open_locked(const Cdevice_entry& entry)
{
    for (auto& c : state().cameras)
        if (c->entry.device_id == entry.device_id)
            return true;
    return false;
}

void* make_camera_list_locked()
{
    kmx_camera_list* list = state().lists.make();
    for (const Cdevice_entry& e : state().devices)
        list->cameras.emplace_back(e.transport, e.index);
    return list;
}

bool dispose_camera_list_locked(void* object)
{
    return state().lists.dispose(object);
}

} // namespace kmxaravis
