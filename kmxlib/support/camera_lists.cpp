// SPDX-License-Identifier: Apache-2.0
#include "kmxlib/support/camera_lists.h"

#include <algorithm>

namespace kmxsupport {

kmx_camera_list* Ccamera_lists::make()
{
    lists_.push_back(new kmx_camera_list);
    return lists_.back();
}

bool Ccamera_lists::dispose(void* object)
{
    auto it = std::find(lists_.begin(), lists_.end(), object);
    if (it == lists_.end())
        return false;
    delete *it;
    lists_.erase(it);
    return true;
}

void Ccamera_lists::clear()
{
    for (kmx_camera_list* list : lists_)
        delete list;
    lists_.clear();
}

} // namespace kmxsupport
