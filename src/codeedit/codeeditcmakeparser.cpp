#include "codeeditcmakeparser.h"

CodeEditCMakeParser::CodeEditCMakeParser()
{
    setKeywords({
        "add_custom_command", "add_custom_target", "add_definitions", "add_dependencies",
        "add_executable", "add_library", "add_subdirectory", "add_test",
        "aux_source_directory", "break", "build_command", "cmake_host_system_information",
        "cmake_minimum_required", "cmake_parse_arguments", "cmake_policy", "configure_file",
        "continue", "create_test_sourcelist", "ctest_build", "ctest_configure",
        "ctest_coverage", "ctest_empty_binary_directory", "ctest_memcheck",
        "ctest_read_custom_files", "ctest_run_script", "ctest_sleep", "ctest_start",
        "ctest_submit", "ctest_test", "ctest_update", "ctest_upload", "define_property",
        "enable_language", "enable_testing", "endfunction", "endmacro", "execute_process",
        "export", "file", "find_file", "find_library", "find_package", "find_path",
        "find_program", "fltk_wrap_ui", "function", "get_cmake_property",
        "get_directory_property", "get_filename_component", "get_property",
        "get_source_file_property", "get_target_property", "get_test_property", "include",
        "include_directories", "include_external_msproject", "include_guard",
        "include_regular_expression", "install", "link_directories", "list", "load_cache",
        "load_command", "macro", "mark_as_advanced", "math", "message", "option", "project",
        "qt_wrap_cpp", "qt_wrap_ui", "remove_definitions", "return", "separate_arguments",
        "set", "set_directory_properties", "set_property", "set_source_files_properties",
        "set_target_properties", "set_tests_properties", "site_name", "source_group",
        "string", "target_compile_definitions", "target_compile_features",
        "target_compile_options", "target_include_directories", "target_link_libraries",
        "target_sources", "try_compile", "try_run", "unset", "variable_watch", "build_name",
        "exec_program", "export_library_dependencies", "install_files", "install_programs",
        "install_targets", "link_libraries", "make_directory", "output_required_files",
        "remove", "subdir_depends", "subdirs", "use_mangled_mesa", "utility_source",
        "variable_requires", "write_file", "else", "elseif", "endif", "if", "endforeach",
        "endwhile", "foreach", "while"});
}

// "${" up to the "}" that balances it, so "${a_${b}}" is one reference; an unclosed
// reference runs to the line end.
bool CodeEditCMakeParser::scanVariableReference()
{
    if (m_in[0] != '$' || m_in[1] != '{')
        return false;
    switchTo(preprocessorClass);
    copy(2);
    int depth = 1;
    while (*m_in && depth > 0) {
        if (*m_in == '{')
            ++depth;
        else if (*m_in == '}')
            --depth;
        copy();
    }
    return true;
}

ushort *CodeEditCMakeParser::parse(const ushort *line, ushort *output)
{
    if (!beginLine(line, output))
        return m_out;
    scanLeadingWhitespace();
    while (*m_in) {
        if (scanString('"', '\\')) {
        } else if (*m_in == '#') {
            m_state = normalState;
            switchTo(commentClass);
            copyRest();
        } else if (!scanVariableReference() && !scanWord() && !scanNumber()) {
            scanOther();
        }
    }
    return scanLineEnd();
}
