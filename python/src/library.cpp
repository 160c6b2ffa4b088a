// SPDX-License-Identifier: Apache-2.0
#include "library.h"

#include <algorithm>
#include <cstdlib>

#include <kmxcore/diagnostics.h>
#include <kmxlib/kmxlib_dispatch.h>

#include "failure.h"

namespace kmx_python {

namespace {

constexpr const char* simulator_name = "sim";

// Guards the count of users: the first acquire opens, the last release
// closes, and nobody opens while another thread closes.
std::mutex& users_mutex()
{
    static std::mutex mutex;
    return mutex;
}

// What the instance loads when nothing is chosen.
std::string default_name()
{
    const char* name = std::getenv(KMXLIB_ENVIRONMENT);
    return name != nullptr && *name != '\0' ? name : simulator_name;
}

// Why the dispatch refused, or `otherwise` when it does not say.
std::string dispatch_failure(const char* otherwise)
{
    const std::string why = kmxlib_last_error();
    return why.empty() ? otherwise : why;
}

[[noreturn]] void refuse(const std::string& name, const std::string& why)
{
    Cfailure failure;
    failure.operation = "opening camera library \"" + name + "\"";
    failure.detail = why;
    take_camera_failure(failure);
    throw Ccamera_error(failure);
}

} // namespace

std::shared_ptr<Clibrary> Clibrary::acquire(const std::string& choice)
{
    // One object for the process, never destroyed: it may be needed until
    // the last camera goes, however late that is.
    static Clibrary* const library = new Clibrary();
    {
        std::lock_guard<std::mutex> lock(users_mutex());
        const std::string name = choice.empty() ? default_name() : choice;
        if (library->users == 0) {
            kmx_clear_camera_failure();
            // "" hands the choice back to the environment. An instance the
            // application opened itself is shared as it is.
            if (Ckmx_interface::get_interface() == nullptr &&
                kmxlib_select(choice.c_str()) != KMX_OK)
                refuse(name, dispatch_failure("it cannot be chosen"));
            if (library->instance.open() != 0)
                refuse(name, dispatch_failure("the camera library refused to open"));
            library->chosen = name;
        } else if (name != library->chosen) {
            refuse(name, "camera library \"" + library->chosen +
                             "\" is in use: close every camera first");
        }
        ++library->users;
    }
    // Each reference has a count of its own, dropped through release();
    // made outside the lock, since a failure to make it calls release().
    return std::shared_ptr<Clibrary>(library, &Clibrary::release);
}

void Clibrary::release(Clibrary* library)
{
    std::lock_guard<std::mutex> lock(users_mutex());
    if (--library->users == 0)
        library->instance.close();
}

void Clibrary::register_camera(const void* owner, const Ccamera_description& description)
{
    std::lock_guard<std::mutex> lock(cameras_mutex);
    cameras.emplace_back(owner, description);
}

void Clibrary::forget_camera(const void* owner)
{
    std::lock_guard<std::mutex> lock(cameras_mutex);
    cameras.erase(std::remove_if(cameras.begin(), cameras.end(),
                                 [owner](const auto& entry) { return entry.first == owner; }),
                  cameras.end());
}

std::vector<Ccamera_description> Clibrary::open_cameras() const
{
    std::lock_guard<std::mutex> lock(cameras_mutex);
    std::vector<Ccamera_description> described;
    for (const auto& entry : cameras)
        described.push_back(entry.second);
    return described;
}

} // namespace kmx_python
