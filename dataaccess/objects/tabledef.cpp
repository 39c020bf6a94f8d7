// Field and table definitions: property access and the attached-object
// writes that go straight to the property catalog.
#include "dataaccess/objects/tabledef.h"

#include "dataaccess/objects/database_impl.h"

namespace qrv::dao {

namespace {
Error propertyNotFound() {
    return makeError(3270, "Property not found.");
}

// Adds p to props; an attached object stores it in the file first.
Error appendProperty(std::vector<Property>& props, Property p,
                     const std::weak_ptr<detail::DatabaseImpl>& dbRef, bool attached,
                     std::string_view object, std::string_view token, std::string_view item) {
    if (Error e = detail::checkName(p.Name)) return e;
    for (const Property& q : props)
        if (iequal(q.Name, p.Name))
            return makeError(3367,
                             "Cannot append. An object with that name already exists in the "
                             "collection.");
    if (attached) {
        auto db = dbRef.lock();
        if (!db || !db->conn->isOpen()) return detail::closedError();
        if (Error e = db->setObjectProperty(object, token, item, p)) return e;
    }
    props.push_back(std::move(p));
    return {};
}
}  // namespace

Error CheckObjectName(std::string_view name) {
    return detail::checkName(name);
}

Field::Field(std::string name, int type, long size) : Name(std::move(name)), Type(type) {
    Size = size ? size : (type == dbText ? 50 : fixedSizeOf(type));
}

Result<Value> Field::GetProperty(std::string_view name) const {
    if (iequal(name, "Name")) return Value(Name);
    if (iequal(name, "Type")) return Value::int16(static_cast<std::int16_t>(Type));
    if (iequal(name, "Size")) return Value::int32(static_cast<std::int32_t>(Size));
    if (iequal(name, "Attributes")) return Value::int32(static_cast<std::int32_t>(Attributes));
    if (iequal(name, "AllowZeroLength")) return Value(AllowZeroLength);
    if (iequal(name, "DefaultValue")) return Value(DefaultValue);
    if (iequal(name, "ValidationRule")) return Value(ValidationRule);
    if (iequal(name, "ValidationText")) return Value(ValidationText);
    if (iequal(name, "Required")) return Value(Required);
    if (iequal(name, "OrdinalPosition"))
        return Value::int16(static_cast<std::int16_t>(OrdinalPosition));
    if (iequal(name, "CollatingOrder")) return Value::int32(CollatingOrder);
    for (const Property& p : props_)
        if (iequal(p.Name, name)) return p.value;
    return propertyNotFound();
}

Property Field::CreateProperty(std::string name, int type, Value value) const {
    return Property{std::move(name), type, std::move(value)};
}

Error Field::AppendProperty(Property p) {
    return appendProperty(props_, std::move(p), db_, !table_.empty(), table_, token_, Name);
}

Error TableDef::AppendField(Field f) {
    if (attached_) return makeError(err::kInvalidOperation, "Invalid operation.");
    if (Error e = detail::checkName(f.Name, true)) return e;
    if (FindField(f.Name)) return makeError(3191, "Cannot define field more than once.");
    fields_.push_back(std::move(f));
    return {};
}

Error TableDef::AppendIndex(Index i) {
    if (attached_) return makeError(err::kInvalidOperation, "Invalid operation.");
    if (Error e = detail::checkName(i.Name)) return e;
    if (FindIndex(i.Name))
        return makeError(3367,
                         "Cannot append. An object with that name already exists in the "
                         "collection.");
    if (i.Primary) i.Unique = true;
    indexes_.push_back(std::move(i));
    return {};
}

Field* TableDef::FindField(std::string_view name) {
    for (Field& f : fields_)
        if (iequal(f.Name, name)) return &f;
    return nullptr;
}

const Field* TableDef::FindField(std::string_view name) const {
    for (const Field& f : fields_)
        if (iequal(f.Name, name)) return &f;
    return nullptr;
}

const Index* TableDef::FindIndex(std::string_view name) const {
    for (const Index& i : indexes_)
        if (iequal(i.Name, name)) return &i;
    return nullptr;
}

Result<Value> TableDef::GetProperty(std::string_view name) const {
    if (iequal(name, "Name")) return Value(Name);
    if (iequal(name, "ValidationRule")) return Value(ValidationRule);
    if (iequal(name, "ValidationText")) return Value(ValidationText);
    for (const Property& p : props_)
        if (iequal(p.Name, name)) return p.value;
    return propertyNotFound();
}

Error TableDef::AppendProperty(Property p) {
    return appendProperty(props_, std::move(p), db_, attached_, Name, token_, "");
}

}  // namespace qrv::dao
