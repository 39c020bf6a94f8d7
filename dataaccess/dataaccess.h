// The data-access layer in one include: engine, workspaces, databases,
// recordsets, definitions, values and the case folding of names.
#pragma once

#include "dataaccess/database.h"
#include "dataaccess/dbengine.h"
#include "dataaccess/error.h"
#include "dataaccess/fold.h"
#include "dataaccess/recordset.h"
#include "dataaccess/tabledef.h"
#include "dataaccess/types.h"
#include "dataaccess/value.h"
