# A camera in process: the emulator's device model behind a platform's device
# calls (unit tests, fault sweep, fuzz targets, benchmarks).
add_library(pixavon_model_camera STATIC ${CMAKE_CURRENT_LIST_DIR}/model_camera.cpp ${CMAKE_CURRENT_LIST_DIR}/model_camera.h)
target_include_directories(pixavon_model_camera PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(pixavon_model_camera PUBLIC pixavon_core pixavon_device_model)
pixavon_hot_code(pixavon_model_camera)
