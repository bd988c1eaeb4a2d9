// What a tool runs or shows: a unit read from an object file, or compiled in
// memory from a script source (then state names and class variable names and
// types are known too), and the naming of its routines.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Bench.h"
#include "UnitFile.h"

struct CCompileResult;

struct SClassVariable {
    std::string m_strName;
    const CType* m_pType = nullptr;   // null when read from an object file
    uint32_t m_nSlot = 0;
};

struct SRoutine {
    enum EKind { eState, eEvent, eCommand };
    EKind m_nKind = eState;
    uint32_t m_nIndex = 0;
    size_t m_nParams = 0;
    std::string m_strLabel;           // "state Idle", "event OnHit", "command $Destructor"
};

class CTarget {
public:
    CTarget();
    ~CTarget();

    // An object file (recognised by its container header) or a script source.
    bool Open(const std::string& path, std::string& error);

    // "3" or a state name, an event or command handler name, $Destructor,
    // $Serialize. With several handlers of one name, the one taking
    // argCount arguments; a routine the unit does not have is an error.
    bool FindRoutine(const std::string& text, size_t argCount, SRoutine& out, std::string& error) const;
    // Slot of a class variable by name, or "@8" by slot; -1 when unknown.
    int32_t FindVariable(const std::string& text) const;
    uint32_t Entry(const CBench& bench, const SRoutine& routine) const;
    // Array variables get their own (empty) arrays.
    void Prepare(CBench& bench) const;

    CRefPtr<CCodeGen> m_pUnit;
    SUnitHeader m_Header;
    bool m_bFromSource = false;
    const CType* m_pBaseClass = nullptr;
    std::vector<std::string> m_StateNames;
    std::vector<SClassVariable> m_Variables;

private:
    bool OpenSource(const std::string& path, std::string& error);
    void NameSlotsOnly();
    bool HasRoutine(SRoutine::EKind kind, uint32_t index) const;

    // The compilation of a source, kept for its tree and records.
    std::unique_ptr<CCompileResult> m_pCompiled;
    CBuiltinIndex m_Index;
};
