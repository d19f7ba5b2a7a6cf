#include "packagearchivefile.h"

PackageArchiveFile::PackageArchiveFile() : m_data(std::make_unique<PackageArchiveData>()) {}

PackageArchiveFile::PackageArchiveFile(const PackageArchiveData &data)
    : m_data(std::make_unique<PackageArchiveData>(data))
{
}

PackageArchiveFile::~PackageArchiveFile() = default;
