#pragma once

// The opaque handle types of ovardx.h: each holds one object of its class.
#include "c_api/Boundary.h"
#include "ovardx/clsArapPlan.h"
#include "ovardx/clsContract.h"
#include "ovardx/clsDataKey.h"
#include "ovardx/clsReceiveBill.h"
#include "ovardx/ovardx.h"

struct ovardx_arap_plan : ovardx::capi::ObjectHandle<ovardx::clsArapPlan> {};
struct ovardx_receive_bill : ovardx::capi::ObjectHandle<ovardx::clsReceiveBill> {};
struct ovardx_contract : ovardx::capi::ObjectHandle<ovardx::clsContract> {};
struct ovardx_data_key : ovardx::capi::ObjectHandle<ovardx::clsDataKey> {};
