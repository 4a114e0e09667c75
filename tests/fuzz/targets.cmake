# Fuzz targets: tests/fuzz/fuzz_<name>.cpp, seeds in tests/fuzz/corpus/<name>/.
# The libraries each target links:
set(FUZZ_LIBS_archive grib_vfs kit_archive)
set(FUZZ_LIBS_tdf grib_tdf)
set(FUZZ_LIBS_script showcase_script)
set(FUZZ_LIBS_model showcase_model)
set(FUZZ_LIBS_pcx grib_image)
set(FUZZ_LIBS_gaf grib_image)
set(FUZZ_LIBS_font grib_draw)
set(FUZZ_LIBS_palette grib_palette)
set(FUZZ_LIBS_catalogue showcase_app)
set(FUZZ_LIBS_textures grib_image)
set(FUZZ_LIBS_modeltext kit_model showcase_model)
set(FUZZ_LIBS_bdf kit_image grib_draw)
set(FUZZ_LIBS_asm kit_script showcase_script)

file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
