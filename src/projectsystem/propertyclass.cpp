#include "propertyclass.h"

PropertyClass::PropertyClass(const QString &saveName, PropertyKind kind,
                             const QString &defaultValue, const QString &description,
                             const QStringList &choices)
    : m_saveName(saveName), m_attributeName(saveName.toUtf8()), m_kind(kind),
      m_defaultValue(defaultValue), m_description(description), m_choices(choices)
{
}

PropertyCatalogue::PropertyCatalogue() = default;
PropertyCatalogue::~PropertyCatalogue() = default;

PropertyCatalogue &PropertyCatalogue::standard()
{
    static PropertyCatalogue *catalogue = [] {
        auto *created = new PropertyCatalogue;  // lives until exit, like the other services
        created->addStandardProperties();
        return created;
    }();
    return *catalogue;
}

const PropertyClass *PropertyCatalogue::add(const QString &saveName, PropertyKind kind,
                                            const QString &defaultValue,
                                            const QString &description,
                                            const QStringList &choices)
{
    auto property =
        std::make_unique<PropertyClass>(saveName, kind, defaultValue, description, choices);
    PropertyClass *added = property.get();
    const auto existing = m_byName.constFind(added->attributeName());
    if (existing != m_byName.constEnd()) {
        for (auto &slot : m_classes) {
            if (slot.get() == *existing)
                slot = std::move(property);
        }
    } else {
        m_classes.push_back(std::move(property));
    }
    m_byName.insert(added->attributeName(), added);
    return added;
}

const PropertyClass *PropertyCatalogue::find(const QString &saveName) const
{
    return find(saveName.toUtf8());
}

const PropertyClass *PropertyCatalogue::find(const QByteArray &attributeName) const
{
    return m_byName.value(attributeName);
}

std::vector<const PropertyClass *> PropertyCatalogue::all() const
{
    std::vector<const PropertyClass *> list;
    list.reserve(m_classes.size());
    for (const auto &property : m_classes)
        list.push_back(property.get());
    return list;
}

bool PropertyCatalogue::isStructuralAttribute(const QByteArray &name)
{
    return name == "Name" || name == "file_name" || name == "target"
           || name == "inherited_configurations";
}

namespace {

using K = PropertyKind;

struct StandardProperty
{
    const char *saveName;
    PropertyKind kind;
    const char *defaultValue;
    const char *description;
    const char *choices;  // "|"-separated, for enumerations
};

// The environment's properties. Defaults may hold macros; the project system expands
// them with the node's macros ($(ProjectName), $(Configuration), $(OutDir), ...).
constexpr StandardProperty standardProperties[] = {
    // Solution
    {"load_command", K::Command, "", "Commands run when the solution is loaded, "
     "separated by &&.", nullptr},
    {"load_command_environment", K::StringList, "", "NAME=VALUE entries added to the "
     "environment of the load commands.", nullptr},
    // Project
    {"project_type", K::Enumeration, "Executable", "The kind of output the project builds.",
     "Executable|Library|Object file|Staging|Combining|Externally Built Executable|"
     "Externally Built Library|Externally Built Object file"},
    {"project_directory", K::DirectoryName, "", "The project's directory, relative to the "
     "solution's directory.", nullptr},
    {"project_dependencies", K::StringList, "", "Projects that must be built before this "
     "one.", nullptr},
    {"project_can_build_in_parallel", K::Boolean, "", "Whether the project's dependencies "
     "may build in parallel; unset means No for Staging and Combining projects, Yes for "
     "others.", "Yes|No"},
    {"Target", K::Enumeration, "Cortex-M3", "The target processor.",
     "ARM7TDMI|ARM926EJ-S|Cortex-A9|Cortex-M0|Cortex-M0+|Cortex-M3|Cortex-M4|Cortex-M7|"
     "Cortex-M23|Cortex-M33|Cortex-R5"},
    {"arm_instruction_set", K::Enumeration, "Thumb", "The instruction set to generate.",
     "ARM|Thumb"},
    {"arm_endian", K::Enumeration, "Little", "The byte order of the target.", "Little|Big"},
    {"arm_fpu_type", K::Enumeration, "None", "The floating-point unit to generate code for.",
     "None|VFP|FPv4-SP-D16|FPv5-SP-D16|FPv5-D16"},
    // Build
    {"build_exclude_from_build", K::Boolean, "No", "Exclude the node from the build.",
     "Yes|No"},
    {"build_always_rebuild", K::Boolean, "No", "Build the node even when it is up to date.",
     "Yes|No"},
    {"build_generate_dependency_file", K::Boolean, "Yes", "Have the compiler write a "
     "dependency file.", "Yes|No"},
    {"build_dependency_file_name", K::FileName, "$(IntDir)/$(InputName).d",
     "The dependency file of a source file.", nullptr},
    {"build_object_file_name", K::FileName, "$(IntDir)/$(InputName)$(OBJ)",
     "The object file of a source file.", nullptr},
    {"build_output_directory", K::DirectoryName, "$(Configuration)/Exe",
     "Where the project's output is written.", nullptr},
    {"build_intermediate_directory", K::DirectoryName, "$(Configuration)/Obj/$(ProjectName)",
     "Where object and dependency files are written.", nullptr},
    {"build_output_file_name", K::FileName, "$(OutDir)/$(ProjectName)$(OutputExt)",
     "The project's output file.", nullptr},
    {"build_remove_intermediate_directory", K::Boolean, "No", "Delete the intermediate "
     "directory after a successful link.", "Yes|No"},
    {"build_toolchain_directory", K::DirectoryName, "$(StudioDir)/gcc/bin",
     "Where the compiler, assembler and linker are found.", nullptr},
    {"unity_build_file_name", K::FileName, "", "When set, the folder's files are compiled "
     "as one unit through this generated file.", nullptr},
    {"file_type", K::Enumeration, "", "How a file is built; unset means by its "
     "extension.", "C|C++|Assembly|Object|Library|Linker Script|Memory Map|Custom Build|"
     "Staged Copy|Other"},
    // Build steps
    {"pre_build_command", K::Command, "", "Run before the project is built.", nullptr},
    {"pre_build_command_control", K::Enumeration, "Always Run", "When the pre-build "
     "command runs.", "Always Run|Run When Build Required"},
    {"post_build_command", K::Command, "", "Run after the project is built.", nullptr},
    {"post_build_command_control", K::Enumeration, "Always Run", "When the post-build "
     "command runs.", "Always Run|Run When Build Has Occurred"},
    {"pre_compile_command", K::Command, "", "Run before a file is compiled.", nullptr},
    {"post_compile_command", K::Command, "", "Run after a file is compiled.", nullptr},
    {"pre_link_command", K::Command, "", "Run before the link.", nullptr},
    {"post_link_command", K::Command, "", "Run after the link.", nullptr},
    {"post_archive_command", K::Command, "", "Run after a library is archived.", nullptr},
    {"custom_build_command", K::Command, "", "The command of a custom build step.", nullptr},
    {"custom_build_output_file_name", K::FileName, "", "The output of a custom build step.",
     nullptr},
    {"external_build_command", K::Command, "", "Builds an externally built project.",
     nullptr},
    {"external_clean_command", K::Command, "", "Cleans an externally built project.",
     nullptr},
    {"external_build_file_name", K::FileName, "", "The output of an externally built "
     "project.", nullptr},
    {"staging_output_directory", K::DirectoryName, "$(OutDir)", "Where a Staging project "
     "copies its files.", nullptr},
    {"staging_make_read_only", K::Boolean, "No", "Make staged files read-only.", "Yes|No"},
    {"combine_command", K::Command, "", "The command of a Combining project.", nullptr},
    // Compiler
    {"c_user_include_directories", K::Accumulating, "", "Directories searched for "
     "#include \"...\" files.", nullptr},
    {"c_system_include_directories", K::Accumulating, "", "Directories searched for "
     "#include <...> files.", nullptr},
    {"c_preprocessor_definitions", K::Accumulating, "", "Macros defined on the command "
     "line, NAME or NAME=VALUE.", nullptr},
    {"c_preprocessor_undefinitions", K::Accumulating, "", "Macros undefined on the command "
     "line.", nullptr},
    {"c_additional_options", K::Accumulating, "", "Further options of the C and C++ "
     "compilers.", nullptr},
    {"c_only_additional_options", K::Accumulating, "", "Further options of the C "
     "compiler.", nullptr},
    {"cpp_only_additional_options", K::Accumulating, "", "Further options of the C++ "
     "compiler.", nullptr},
    {"c_language_standard", K::Enumeration, "gnu99", "The C language standard.",
     "c89|c99|c11|c17|gnu89|gnu99|gnu11|gnu17"},
    {"cpp_language_standard", K::Enumeration, "gnu++14", "The C++ language standard.",
     "c++98|c++11|c++14|c++17|c++20|gnu++98|gnu++11|gnu++14|gnu++17|gnu++20"},
    {"gcc_optimization_level", K::Enumeration, "None", "The optimization level.",
     "None|Level 1|Level 2|Level 3|Optimize For Size|Optimize For Debug"},
    {"build_debug_information", K::Boolean, "Yes", "Generate debug information.", "Yes|No"},
    {"c_enable_warnings", K::Boolean, "Yes", "Enable the compiler's warnings.", "Yes|No"},
    {"c_treat_warnings_as_errors", K::Boolean, "No", "Fail on warnings.", "Yes|No"},
    // Assembler
    {"asm_additional_options", K::Accumulating, "", "Further options of the assembler.",
     nullptr},
    // Linker
    {"linker_script_file", K::FileName, "", "The linker script.", nullptr},
    {"linker_memory_map_file", K::FileName, "", "The memory map of the target.", nullptr},
    {"linker_section_placement_file", K::FileName, "", "Where sections are placed in "
     "memory.", nullptr},
    {"linker_additional_options_file", K::FileName, "", "A file of further linker "
     "options.", nullptr},
    {"linker_additional_options", K::Accumulating, "", "Further options of the linker.",
     nullptr},
    {"linker_additional_files", K::Accumulating, "", "Further object files and libraries "
     "to link.", nullptr},
    {"linker_map_file", K::Boolean, "No", "Write a map file.", "Yes|No"},
    {"linker_output_format", K::Enumeration, "None", "An extra load file to write after "
     "the link.", "None|bin|hex|srec"},
    {"link_use_standard_libraries", K::Boolean, "Yes", "Link the standard libraries.",
     "Yes|No"},
    // Archiver
    {"archive_additional_options", K::Accumulating, "", "Further options of the "
     "archiver.", nullptr},
};

} // namespace

void PropertyCatalogue::addStandardProperties()
{
    for (const StandardProperty &entry : standardProperties) {
        const QStringList choices = entry.choices
                                        ? QString::fromLatin1(entry.choices).split('|')
                                        : QStringList();
        add(QString::fromLatin1(entry.saveName), entry.kind,
            QString::fromLatin1(entry.defaultValue), QString::fromLatin1(entry.description),
            choices);
    }
}
