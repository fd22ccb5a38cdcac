Feature: Withdraw Cash - main flow
  Test case SD1 of ATM.mdl, diagram 5A1000000040

  Scenario Outline: path 1
    When readCard <readCard.cardNumber>

    Examples:
      | id | readCard.cardNumber |
      | 5A1000000040-1-001 | O\\h |
      | 5A1000000040-1-002 | b^V]YM]jmCXLnW |
      | 5A1000000040-1-003 | "0000" |
      | 5A1000000040-1-004 | V]_Y |
      | 5A1000000040-1-005 | cdu |
      | 5A1000000040-1-006 | bfAP`UquQnSC |

  Scenario Outline: path 1.1
    When validatePin <validatePin.validatePin> <validatePin.pin>
    When withdraw <withdraw.amount>
    When dispense <dispense.dispense> <dispense.amount> <dispense.notes>

    Examples:
      | id | validatePin.validatePin | validatePin.pin | withdraw.amount | dispense.dispense | dispense.amount | dispense.notes |
      | 5A1000000040-1.1-001 | Reading Card | tbUBQhAjLdDo | 3 | Reading Card | 16 | 1 |
      | 5A1000000040-1.1-002 | Idle | tbUBQhAjLdDo | 5 | Reading Card | 16 | 1 |
      | 5A1000000040-1.1-003 | Reading Card | tbUBQhAjLdDo | 5 | Dispensing | 15 | 2 |
      | 5A1000000040-1.1-004 | Idle | tbUBQhAjLdDo | 5 | Idle | 16 | 4 |
      | 5A1000000040-1.1-005 | Dispensing | wPDQZWLniM^O | 3 | Dispensing | 15 | 2 |
