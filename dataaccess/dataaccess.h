// The data-access layer in one include: engine, workspaces, databases,
// recordsets, definitions, values and the case folding of names.
#pragma once

#include "dataaccess/error.h"
#include "dataaccess/fold.h"
#include "dataaccess/objects/database.h"
#include "dataaccess/objects/dbengine.h"
#include "dataaccess/objects/recordset.h"
#include "dataaccess/objects/tabledef.h"
#include "dataaccess/types.h"
#include "dataaccess/value.h"
