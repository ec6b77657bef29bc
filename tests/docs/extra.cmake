# The script API reference's check reads what the package files declare.
target_compile_definitions(test_docs PRIVATE KEST2D_API_DECLARATIONS="${KEST2D_API_DECLARATIONS}")
