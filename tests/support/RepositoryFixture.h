// RepositoryFixture.h - a repository folder built on disk for one test.
//
// Each test gets a fresh folder under the system's temporary directory with
// a "repo" sub-folder (the repository) and an "outside" sibling (files that
// no repository path may reach). The repository is closed and the folder
// removed after the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "contracts/basis30/Messages.h"
#include "contracts/trellis/CRepository.h"
#include "support/XmlFixture.h"

class RepositoryFixture : public XmlFixture {
 protected:
  void SetUp() override {
    std::random_device random;
    m_base = std::filesystem::temp_directory_path() /
             ("trellis-test-" + std::to_string(random()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(Repo());
    std::filesystem::create_directories(Outside());
    ClearErrorInfo();
  }

  void TearDown() override {
    CRepository::Close();
    std::error_code ec;
    std::filesystem::remove_all(m_base, ec);
  }

  std::filesystem::path Repo() const { return m_base / "repo"; }
  std::filesystem::path Outside() const { return m_base / "outside"; }

  // Writes `text` to `relative` below the repository, creating folders.
  void Write(const std::string& relative, const std::string& text) const { WriteAt(Repo() / relative, text); }

  static void WriteAt(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    ASSERT_TRUE(out.good()) << file;
  }

  void OpenRepo() const { ASSERT_EQ(CRepository::Open(Repo().string().c_str()), S_OK); }

  // The common layout: one object per file, a file holding several objects,
  // an object in the root folder, and objects with GUIDs in nested folders.
  void WriteStandardRepository() const {
    Write("Sales/Orders.xml",
          R"(<Query Name="Orders" GUID="{G-ORDERS}" Tag="orders-file"><QueryObjects><Field Name="Id"/></QueryObjects></Query>)");
    Write("Sales/Objects.xml",
          R"(<Objects Name="SalesObjects"><Query Name="Returns" GUID="{G-RETURNS}"/><Field Name="Amount"/></Objects>)");
    Write("Top.xml", R"(<Dataset Name="Top" GUID="{G-TOP}"/>)");
    Write("Finance/Ledger/Accounts.xml",
          R"(<Dataset Name="Accounts"><Column Name="Code" GUID="{G-CODE}"/></Dataset>)");
  }

  std::filesystem::path m_base;
};
